#include "plugin/plugin_type_registration.h"

#include "binding/native_type_builder.h"
#include "binding/type_identity_of.h"
#include "plugin/resource_event_name.h"

namespace Vela {

using namespace Plugin;

void RegisterPluginTypes(BindingRegistry& registry) {
  RegisterEnum<PluginManagerState>(registry, "PluginManagerState")
      .NameSpace(kModuleNameSpace)
      .Value("NotReady", PluginManagerState::NotReady)
      .Value("PluginsInitialized", PluginManagerState::PluginsInitialized);
  RegisterStruct<PluginManagerResource>(registry, "PluginManagerResource")
      .NameSpace(kModuleNameSpace)
      .Field("state", &PluginManagerResource::state);
  RegisterEnum<PluginResourceEventType>(registry, "PluginResourceEventType")
      .NameSpace(kModuleNameSpace)
      .Value("Create", PluginResourceEventType::Create)
      .Value("Update", PluginResourceEventType::Update)
      .Value("Delete", PluginResourceEventType::Delete);
  RegisterStruct<PluginResourceEvent>(registry, "PluginResourceEvent")
      .NameSpace(kModuleNameSpace)
      .Field("uri", &PluginResourceEvent::uri)
      .Field("eventType", &PluginResourceEvent::eventType)
      .Field("data", &PluginResourceEvent::data);
  RegisterStruct<PluginLcdsEvent>(registry, "PluginLcdsEvent")
      .NameSpace(kModuleNameSpace)
      .Field("clientId", &PluginLcdsEvent::clientId)
      .Field("subtopic", &PluginLcdsEvent::subtopic)
      .Field("typeName", &PluginLcdsEvent::typeName)
      .Field("body", &PluginLcdsEvent::body);
  RegisterStruct<PluginLcdsResponse>(registry, "PluginLcdsResponse")
      .NameSpace(kModuleNameSpace)
      .Field("typeName", &PluginLcdsResponse::typeName)
      .Field("body", &PluginLcdsResponse::body);
  RegisterStruct<PluginServiceProxyResponse>(registry, "PluginServiceProxyResponse")
      .NameSpace(kModuleNameSpace)
      .Field("uuid", &PluginServiceProxyResponse::uuid)
      .Field("serviceName", &PluginServiceProxyResponse::serviceName)
      .Field("methodName", &PluginServiceProxyResponse::methodName)
      .Field("payload", &PluginServiceProxyResponse::payload)
      .Field("status", &PluginServiceProxyResponse::status)
      .Field("error", &PluginServiceProxyResponse::error);

  struct EventDefinition {
    std::string_view name;
    const TypeIdentity& payload;
    std::string_view description;
  };
  const EventDefinition events[] = {
      {kJsonApiEventName, TypeIdentityOf<PluginResourceEvent>(), "Fired when a resource is changed."},
      {kLcdsEventName, TypeIdentityOf<PluginLcdsEvent>(),
       "Fired when a message is received over the LCDS connection."},
      {kServiceProxyUuidEventName, TypeIdentityOf<PluginServiceProxyResponse>(),
       "Fired when a uuid-based service proxy message is received."},
      {kServiceProxyMethodEventName, TypeIdentityOf<PluginServiceProxyResponse>(),
       "Fired when a method-based service proxy message is received."},
      {kServiceProxyAsyncEventName, TypeIdentityOf<PluginServiceProxyResponse>(),
       "Fired when an async service proxy message is received."},
  };
  for (const EventDefinition& event : events) {
    (void)registry.RegisterEvent(event.name, event.payload)
        .SetNameSpace(kModuleNameSpace)
        .SetDescription(event.description);
  }
}

}  // namespace Vela
