#include "binding/maybe_type.h"

namespace Vela {

BindingProperty Failure::Make(std::string_view message) {
  BindingProperty failure;
  failure.MutableField(kErrorField) = message;
  return failure;
}

std::string_view Failure::MessageOf(const BindingProperty& failure) noexcept {
  return failure.FieldOrEmpty(kErrorField).GetStringOr({});
}

}  // namespace Vela
