#include "binding/maybe_type.h"
#include "logging/assertion.h"
#include "util/assertion_hook.h"

namespace Vela {

BindingProperty Failure::Make(std::string_view message) {
  BindingProperty failure;
  failure.MutableField(kErrorField) = message;
  return failure;
}

std::string_view Failure::MessageOf(const BindingProperty& failure) noexcept {
  return failure.FieldOrEmpty(kErrorField).GetStringOr({});
}

void Failure::ReportValueOfFailure() noexcept {
  // Through the hook, which reaches the log once logging has started. The readers are
  // noexcept: a report that cannot be made is dropped rather than thrown.
  try {
    RaiseAssertion(kAssertValueOfFailure.data(), "", "", 0, "");
  } catch (...) {
  }
}

}  // namespace Vela
