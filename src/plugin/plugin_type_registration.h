// Registration of the module's own types and events, and the conversions of their
// payloads through the registry.
//
//   RegisterPluginTypes(api.types());
//   const ApiDescription& block = api.BuildApiDescription();
#pragma once

#include <string_view>

#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "plugin/plugin_types.h"
#include "binding/binding_registry.h"

namespace Vela {

// Registers, in this order and all in namespace "rclient": PluginManagerState,
// PluginManagerResource, PluginResourceEventType, PluginResourceEvent, PluginLcdsEvent,
// PluginLcdsResponse, PluginServiceProxyResponse; then the five events with their payload
// types and descriptions: "OnJsonApiEvent", "OnLcdsEvent" and the three service-proxy
// events. A second call changes nothing.
void RegisterPluginTypes(BindingRegistry& registry);

// A payload value converted to the native record under the root name `path`.
template <class Payload>
[[nodiscard]] MaybeType<Failure, Payload> ConvertPayload(const BindingRegistry& registry,
                                                         const BindingProperty& value,
                                                         std::string_view path) {
  return FromBinding<Payload>(value, path, registry);
}

}  // namespace Vela
