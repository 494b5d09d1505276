// The built-in types of asynchronous operations, generic events and callbacks, and the
// "OnCallback" event. Every registry holds them from its initialisation, so that the API
// help lists them and events and function results can use them as payloads.
//
// Nothing in the plugin creates asynchronous tokens, moves an operation through its
// states or fires "OnCallback": these records only describe the shapes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "binding/static_type.h"

namespace Vela {

class BindingRegistry;

inline constexpr std::string_view kOnCallbackEventName = "OnCallback";

enum class BindingAsyncState : int32_t {
  None = 0,
  Running = 1,
  Cancelling = 2,
  Cancelled = 3,
  Succeeded = 4,
  Failed = 5,
};

struct BindingGenericEvent {
  BindingProperty data;  // as it arrived, unconverted
};

struct BindingCallbackEvent {
  uint32_t id = 0;
  std::vector<BindingProperty> parameters;
};

struct BindingGenericAsyncEvent {
  uint32_t asyncToken = 0;
  BindingProperty data;
};

struct BindingAsyncFailureEvent {
  uint32_t asyncToken = 0;
  std::string error;
};

struct BindingAsyncCancelEvent {
  uint32_t asyncToken = 0;
};

// Registers, in this order, BindingAsyncState, BindingGenericEvent, BindingCallbackEvent,
// BindingGenericAsyncEvent, BindingAsyncFailureEvent, BindingAsyncCancelEvent and the event
// "OnCallback"; names already registered keep their existing records.
void RegisterAsyncTypes(BindingRegistry& registry);

}  // namespace Vela

VELA_STATIC_TYPE(Vela::BindingAsyncState);
VELA_STATIC_TYPE(Vela::BindingGenericEvent);
VELA_STATIC_TYPE(Vela::BindingCallbackEvent);
VELA_STATIC_TYPE(Vela::BindingGenericAsyncEvent);
VELA_STATIC_TYPE(Vela::BindingAsyncFailureEvent);
VELA_STATIC_TYPE(Vela::BindingAsyncCancelEvent);
