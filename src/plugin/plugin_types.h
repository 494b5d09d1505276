// The module's own records: the payloads of the host events it handles and sends (defined
// with the outbound calls that consume them, calls/plugin_records.h), and the plugin
// manager's state. They are registered (namespace "rclient") with fixed identifiers
// during the handshake, so that the API description can name them and payloads convert
// through the registry.
//
//   Plugin::PluginResourceEvent event{"/arx-player-behavior/v1/ban",
//                                     Plugin::PluginResourceEventType::Create, record};
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/type_identity_of.h"
#include "calls/plugin_records.h"

namespace Vela::Plugin {

enum class PluginManagerState : int32_t {
  NotReady = 0,
  PluginsInitialized = 1,
};

struct PluginManagerResource {
  PluginManagerState state = PluginManagerState::NotReady;
};

// The namespace of every type and event the module registers itself.
inline constexpr std::string_view kModuleNameSpace = "rclient";

// Events the module registers, with their descriptions.
inline constexpr std::string_view kLcdsEventName = "OnLcdsEvent";
inline constexpr std::string_view kServiceProxyUuidEventName = "OnServiceProxyUuidEvent";
inline constexpr std::string_view kServiceProxyMethodEventName = "OnServiceProxyMethodEvent";
inline constexpr std::string_view kServiceProxyAsyncEventName = "OnServiceProxyAsyncEvent";

}  // namespace Vela::Plugin

VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginManagerState, 0xF4E3B901u);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginManagerResource, 0xFA58397Cu);
