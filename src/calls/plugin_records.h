// The records that host events carry to the plugin's outbound calls: a change of a resource,
// a message over the LCDS connection and a service-proxy reply. They sit below the plugin
// module because the observer, LCDS and service-proxy tables consume them; the module
// registers them (namespace "rclient") with the fixed identifiers declared here.
//
//   Plugin::PluginResourceEvent event{"/arx-login/v1/session",
//                                     Plugin::PluginResourceEventType::Update, session};
#pragma once

#include <cstdint>
#include <string>

#include "binding/binding_property.h"
#include "binding/type_identity_of.h"

namespace Vela::Plugin {

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

// A message that arrived over the LCDS connection; `typeName` is its class name.
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

// A back-end service's reply to a service-proxy request; `payload` is JSON text.
struct PluginServiceProxyResponse {
  std::string uuid;
  std::string serviceName;
  std::string methodName;
  std::string payload;
  std::string status;
  std::string error;
};

}  // namespace Vela::Plugin

VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginResourceEventType, 0xDC24D2ADu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginResourceEvent, 0xA54F35FDu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginLcdsEvent, 0x739F2EF4u);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginLcdsResponse, 0xF4476A4Fu);
VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginServiceProxyResponse, 0x2C5E7588u);
