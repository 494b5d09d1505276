// The module's own records: the payloads of the host events it handles and sends, and the
// plugin manager's state. They are registered (namespace "rclient") with fixed identifiers
// during the handshake, so that the API description can name them and payloads convert
// through the registry.
//
//   Plugin::PluginResourceEvent event{"/arx-player-behavior/v1/ban",
//                                     Plugin::PluginResourceEventType::Create, record};
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/type_identity_of.h"

namespace Vela::Plugin {

enum class PluginManagerState : int32_t {
  NotReady = 0,
  PluginsInitialized = 1,
};

struct PluginManagerResource {
  PluginManagerState state = PluginManagerState::NotReady;
};

enum class PluginResourceEventType : int32_t {
  Create = 0,
  Update = 1,
  Delete = 2,
};

// A change of a resource: its path, what happened and the new value (empty for Delete).
struct PluginResourceEvent {
  std::string uri;
  PluginResourceEventType eventType = PluginResourceEventType::Create;
  BindingProperty data;
};

// A message that arrived over the LCDS connection.
struct PluginLcdsEvent {
  std::string clientId;
  std::string subtopic;
  std::string typeName;
  BindingProperty body;
};

struct PluginLcdsResponse {
  std::string typeName;
  BindingProperty body;
};

struct PluginServiceProxyResponse {
  std::string uuid;
  std::string serviceName;
  std::string methodName;
  std::string payload;
  std::string status;
  std::string error;
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
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginResourceEventType, 0xDC24D2ADu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginResourceEvent, 0xA54F35FDu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginLcdsEvent, 0x739F2EF4u);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginLcdsResponse, 0xF4476A4Fu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginServiceProxyResponse, 0x2C5E7588u);
