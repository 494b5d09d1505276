// LCDS: the back end's messaging connection, held by the login plugin. The plugin invokes
// remote operations through the login plugin's "/arx-login/v1/session/invoke", and receives
// back-end messages as host events named after the message's class.
//
//   LcdsCalls& lcds = module.lcds();
//   lcds.classes().Add("PlayerBehaviorSimpleMessageResponse",
//                      "com.velaworks.platform.messaging.persistence.SimpleDialogMessageResponse");
//   lcds.Subscribe<Lcds::SimpleMessage>(
//       "com.velaworks.platform.messaging.persistence.SimpleDialogMessage",
//       [&](const Lcds::SimpleMessage& message) { ... });     // runs as a task, later
//   MaybeType<Failure, bool> sent =
//       module.Await(lcds.Invoke("clientFacadeService", "callPersistenceMessaging", ack));
//
// Handlers never run inside the host's event callback: each message is posted as a task
// labelled "Event: OnLcdsEvent (<class>)" and handled on the host's loop, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "calls/call_context.h"
#include "calls/lcds_class_table.h"
#include "calls/plugin_records.h"
#include "calls/typed_request.h"
#include "util/fnv1a.h"

namespace Vela {

inline constexpr std::string_view kLcdsEventPrefix = "OnLcdsEvent_";
inline constexpr std::string_view kLcdsInvokePath = "/arx-login/v1/session/invoke";
// {error} the conversion's message.
inline constexpr std::string_view kLcdsParametersNotConvertedTemplate =
    "Couldn't convert LCDS call parameters: {error}";
// %1 the class name.
inline constexpr std::string_view kLcdsEventTaskLabel = "Event: OnLcdsEvent (%1)";
// The root name under which message bodies are converted.
inline constexpr std::string_view kLcdsBodyRootName = "<value>";
// LCDS classes are registered with the host with this flag.
inline constexpr uint32_t kLcdsHandlerFlag = 1;

// "OnLcdsEvent_" followed by the class name with every "." replaced by "_".
[[nodiscard]] std::string LcdsEventName(std::string_view className);

class LcdsCalls {
 public:
  explicit LcdsCalls(CallContext& context) : context_(context) {}
  LcdsCalls(const LcdsCalls&) = delete;
  LcdsCalls& operator=(const LcdsCalls&) = delete;

  // Registered type name → LCDS class name; filled while the plugin registers its records.
  LcdsClassTable& classes() noexcept { return classes_; }
  const LcdsClassTable& classes() const noexcept { return classes_; }

  // Invokes `operation` at `destination` with `argument` as the remote operation's only
  // argument: converts it (failing with "Couldn't convert LCDS call parameters: ..."
  // without sending), writes in the "__class" names of the class table, and POSTs
  // (destination, operation, [argument]) to "/arx-login/v1/session/invoke". The future is
  // complete when returned; it holds the POST's failure (calls/typed_request.h) or success.
  // The back end's answer, if any, arrives later as an LCDS message.
  template <class P>
  [[nodiscard]] std::future<MaybeType<Failure, bool>> Invoke(std::string_view destination,
                                                             std::string_view operation,
                                                             const P& argument);

  // Makes `handler` the one handler of `className` (replacing an earlier one) and registers
  // the class's event with the host (flag 1). Each message's body is converted to T under
  // the root name "<value>"; a body that does not convert is dropped.
  template <class T>
  void Subscribe(std::string_view className, std::function<void(const T&)> handler);

  // The module's handler of every subscribed class's event: posts the message's handler as
  // a task to run at once; a message of a class without a handler is ignored.
  void HandleEvent(const Plugin::PluginLcdsEvent& event);

  [[nodiscard]] bool HasHandler(std::string_view className) const;
  // Forgets every handler (tasks already posted then find none and do nothing).
  void Clear() noexcept { handlers_.clear(); }

 private:
  using Adapter = std::function<void(const Plugin::PluginLcdsEvent&)>;

  void StoreHandler(std::string_view className, Adapter adapter);
  // Steps after the conversion: the annotated argument list, the POST.
  [[nodiscard]] MaybeType<Failure, bool> InvokeConverted(std::string_view destination,
                                                         std::string_view operation,
                                                         BindingProperty argument);
  [[nodiscard]] static MaybeType<Failure, bool> ParametersNotConverted(std::string_view error);

  CallContext& context_;
  LcdsClassTable classes_;
  // Held by pointer: a running handler may replace its own entry.
  std::unordered_map<std::string, std::shared_ptr<const Adapter>, Fnv1aHash, std::equal_to<>> handlers_;
};

// --- Out-of-line definitions. ---

template <class P>
std::future<MaybeType<Failure, bool>> LcdsCalls::Invoke(std::string_view destination,
                                                        std::string_view operation,
                                                        const P& argument) {
  std::promise<MaybeType<Failure, bool>> promise;
  std::future<MaybeType<Failure, bool>> future = promise.get_future();
  const BindingRegistry* types = context_.conversionTypes();
  if (types == nullptr) {
    promise.set_value(ParametersNotConverted(kNoConversionTypesMessage));
    return future;
  }
  BindingResult converted = ToBinding(argument, *types);
  if (!converted.ok()) {
    promise.set_value(ParametersNotConverted(converted.message()));
    return future;
  }
  AnnotateLcdsClasses(converted.value(), DescribeNativeType<P>(*types), classes_);
  promise.set_value(InvokeConverted(destination, operation, std::move(converted).value()));
  return future;
}

template <class T>
void LcdsCalls::Subscribe(std::string_view className, std::function<void(const T&)> handler) {
  StoreHandler(className, [&context = context_, handler = std::move(handler)](
                              const Plugin::PluginLcdsEvent& event) {
    const BindingRegistry* types = context.conversionTypes();
    if (types == nullptr || !handler) return;
    MaybeType<Failure, T> message = FromBinding<T>(event.body, kLcdsBodyRootName, *types);
    if (!message.ok()) return;  // not this class's shape: dropped
    handler(message.value());
  });
  context_.RegisterHandler(
      LcdsEventName(className),
      CallContext::LcdsEventHandler([this](const Plugin::PluginLcdsEvent& event) { HandleEvent(event); }),
      kLcdsHandlerFlag);
}

}  // namespace Vela
