// Registers the player behaviour records and enumerations with the type registry, and the
// LCDS records' class names with the LCDS class table.
//
//   RegisterPlayerBehaviorTypes(api.types(), module.lcds().classes());
//
// Order: the Api records first, then the LCDS records, then Punishment; every structure or
// enumeration used by a field comes before its user. Fields carry no description and no
// flags, so none is required on input and none is left out on output.
#pragma once

namespace Vela {
class BindingRegistry;
class LcdsClassTable;
}  // namespace Vela

namespace Vela::Client::PlayerBehavior {

void RegisterPlayerBehaviorTypes(BindingRegistry& registry, LcdsClassTable& classes);

}  // namespace Vela::Client::PlayerBehavior
