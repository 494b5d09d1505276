#include "binding/binding_async_types.h"

#include "binding/builtin_tags.h"
#include "binding/native_type_builder.h"

namespace Vela {

namespace {

constexpr std::string_view kAsyncTokenDescription = "Asynchronous operation token";
constexpr std::string_view kEventDataDescription = "Event data";

}  // namespace

void RegisterAsyncTypes(BindingRegistry& registry) {
  using State = BindingAsyncState;
  RegisterEnum<State>(registry, "BindingAsyncState")
      .Description("Possible states of an asynchronous operation.")
      .Tag(kBuiltinTag)
      .Tag(kAsyncTag)
      .Value("None", State::None, "Invalid state")
      .Value("Running", State::Running, "The operation is in flight")
      .Value("Cancelling", State::Cancelling, "A request to cancel the operation has been made")
      .Value("Cancelled", State::Cancelled, "The operation was cancelled")
      .Value("Succeeded", State::Succeeded, "The operation completed successfully")
      .Value("Failed", State::Failed, "The operation encountered an error");

  RegisterStruct<BindingGenericEvent>(registry, "BindingGenericEvent")
      .Description("Represents generic data for an event.")
      .Tag(kBuiltinTag)
      .Field("data", &BindingGenericEvent::data, kEventDataDescription);

  RegisterStruct<BindingCallbackEvent>(registry, "BindingCallbackEvent")
      .Description("Represents the parameters of a call to a provided callback.")
      .Tag(kBuiltinTag)
      .Field("id", &BindingCallbackEvent::id, "ID of the callback being invoked")
      .Field("parameters", &BindingCallbackEvent::parameters, "Callback parameters");

  RegisterStruct<BindingGenericAsyncEvent>(registry, "BindingGenericAsyncEvent")
      .Description("Represents generic data for an asynchronous event.")
      .Tag(kBuiltinTag)
      .Tag(kAsyncTag)
      .Field("asyncToken", &BindingGenericAsyncEvent::asyncToken, kAsyncTokenDescription)
      .Field("data", &BindingGenericAsyncEvent::data, kEventDataDescription);

  RegisterStruct<BindingAsyncFailureEvent>(registry, "BindingAsyncFailureEvent")
      .Description("Represents a failed asynchronous operation.")
      .Tag(kBuiltinTag)
      .Tag(kAsyncTag)
      .Field("asyncToken", &BindingAsyncFailureEvent::asyncToken, kAsyncTokenDescription)
      .Field("error", &BindingAsyncFailureEvent::error, "Error message");

  RegisterStruct<BindingAsyncCancelEvent>(registry, "BindingAsyncCancelEvent")
      .Description("Represents a cancelled asynchronous operation.")
      .Tag(kBuiltinTag)
      .Tag(kAsyncTag)
      .Field("asyncToken", &BindingAsyncCancelEvent::asyncToken, kAsyncTokenDescription);

  registry.RegisterEvent(kOnCallbackEventName, TypeIdentityOf<BindingCallbackEvent>())
      .SetDescription("Fired when a callback is invoked.")
      .AddTag(kBuiltinTag);
}

}  // namespace Vela
