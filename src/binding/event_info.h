// EventInfo: the registry's record of one event the module offers — its name and the type
// of its payload — as the API description block and the API help list it.
//
//   registry.RegisterEvent("OnCallback", TypeIdentityOf<BindingCallbackEvent>())
//       .SetDescription("Fired when a callback is invoked.")
//       .AddTag("$builtin");
//
// Records are built through the registry's event builder (binding_registry.h) and not
// changed afterwards; unregistering an event destroys its record.
#pragma once

#include <string>
#include <vector>

namespace Vela {

class BindingRegistry;
struct TypeIdentity;

struct EventInfo {
  std::string name;
  const TypeIdentity* payloadType = nullptr;  // a registered structure, as a rule
  std::string nameSpace;                      // empty unless set when registering
  std::string description;
  std::vector<std::string> tags;
  const BindingRegistry* registry = nullptr;
};

}  // namespace Vela
