#include "resource_event_type.h"

namespace Vela::Host {

std::string ResourceEventTypeWord(const BindingProperty& type) {
  int64_t number = -1;
  switch (type.kind()) {
    case BindingKind::String: return std::string(type.GetStringOr({}));
    case BindingKind::Signed: number = type.GetSignedOr(-1); break;
    case BindingKind::Unsigned: number = static_cast<int64_t>(type.GetUnsignedOr(3)); break;
    case BindingKind::Enum: number = type.GetEnumOr({}).value; break;
    default: return {};
  }
  switch (number) {
    case 0: return "Create";
    case 1: return "Update";
    case 2: return "Delete";
    default: return std::to_string(number);
  }
}

}  // namespace Vela::Host
