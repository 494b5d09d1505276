// Service-proxy requests: a back-end service, named by service and method, runs a method
// with a JSON payload; the login plugin carries the request and the reply comes back later
// as a host event. A uuid request is matched to its reply by the uuid the login plugin
// answers; a method request by "<service>.<reply key>", which the reply carries as
// "<serviceName>.<methodName>". Replies may arrive before or after the request has been
// accepted: whichever comes second completes the pair.
//
//   std::future<MaybeType<Failure, ReformCardV2>> card =
//       module.serviceProxy().RequestAs<ReformCardV2>("toxicfeedback.server", "getReformCardV2", {});
//   MaybeType<Failure, ReformCardV2> result = module.Await(std::move(card));
//
// The three tables (pending requests, arrived replies, asynchronous handlers) are shared
// with the host's event callbacks and are only touched under the table's lock. Completion
// callbacks and asynchronous handlers run after their entries have left the tables and
// outside the lock, so they may start new requests.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "binding/static_type.h"
#include "calls/call_context.h"
#include "calls/call_failure.h"
#include "calls/plugin_records.h"
#include "calls/typed_request.h"
#include "codecs/json.h"

namespace Vela {

inline constexpr std::string_view kServiceProxyUuidRequestPath = "/arx-login/v1/service-proxy-uuid-requests";
inline constexpr std::string_view kServiceProxyMethodRequestPath = "/arx-login/v1/service-proxy-method-requests";
// Status texts of refused requests.
inline constexpr std::string_view kServiceProxyFinalizing = "Finalizing";
inline constexpr std::string_view kServiceProxyInFlight = "Request already in flight";
// Keys: service name and method name (or reply key) joined by a point.
inline constexpr std::string_view kServiceProxyKeyTemplate = "%1.%2";
// {payload} the reply's payload text, {type} the name of the awaited type.
inline constexpr std::string_view kServiceProxyPayloadNotConvertedTemplate =
    "Failed to deserialize response payload \"{payload}\" to a {type}";
// Log lines (the short name first).
inline constexpr const char* kServiceProxyPreparingFormat = "%s: Preparing service proxy request: %s";
inline constexpr const char* kServiceProxyInFlightFormat =
    "%s: Could not invoke service proxy as request is already in flight";
inline constexpr const char* kServiceProxyStartedFormat = "%s: Started service proxy request: %s (%s)";
inline constexpr const char* kServiceProxyFulfilledFormat = "%s: Fulfilled service proxy request: %s";
inline constexpr const char* kServiceProxyNoAsyncHandlerFormat =
    "%s: Could not find registered handler for async service proxy event %s";

class ServiceProxyCalls {
 public:
  using Completion = std::function<void(const Plugin::PluginServiceProxyResponse&)>;

  explicit ServiceProxyCalls(CallContext& context) : context_(context) {}
  ServiceProxyCalls(const ServiceProxyCalls&) = delete;
  ServiceProxyCalls& operator=(const ServiceProxyCalls&) = delete;

  // Sends a request and stores `completion` for its reply. An empty `replyKey` makes a
  // uuid request, any other a method request (`further` passes through to the login
  // plugin unchanged). Returns the empty text when the request was accepted, otherwise
  // why not: "Finalizing" once Stop has begun, "Request already in flight" for a method
  // request whose key is pending, or the message of the failed request. A refused request
  // stores nothing and drops `completion`. May yield to the host (a streamed reply).
  [[nodiscard]] std::string Request(std::string_view service, std::string_view method,
                                    const BindingProperty& payload, std::string_view replyKey,
                                    std::string_view further, Completion completion);

  // Request with a typed result: the reply's `error` when it has one, else its payload
  // parsed as JSON and converted to T ("Failed to deserialize response payload ..." when
  // that fails); a refusal completes the future at once with its status text. A request
  // that is dropped unanswered (Shutdown) completes with "Finalizing".
  template <class T>
  [[nodiscard]] std::future<MaybeType<Failure, T>> RequestAs(std::string_view service,
                                                             std::string_view method,
                                                             const BindingProperty& payload,
                                                             std::string_view replyKey = {},
                                                             std::string_view further = {});

  // The handlers of "OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent" and
  // "OnServiceProxyAsyncEvent".
  void OnUuidReply(const Plugin::PluginServiceProxyResponse& reply);
  void OnMethodReply(const Plugin::PluginServiceProxyResponse& reply);
  void OnAsyncReply(const Plugin::PluginServiceProxyResponse& reply);

  // The handler of unsolicited replies of `service`.`method` (replacing an earlier one).
  void RegisterAsyncHandler(std::string_view service, std::string_view method, Completion handler);
  // Empties the three tables; the dropped completions are destroyed uncalled.
  void Clear();

  [[nodiscard]] std::size_t PendingCount() const;
  [[nodiscard]] std::size_t ArrivedCount() const;

 private:
  // Completes the first arrived reply, in key order, whose request is pending.
  void Fulfil();

  CallContext& context_;
  mutable std::mutex lock_;
  std::map<std::string, Completion, std::less<>> pending_;
  std::map<std::string, Plugin::PluginServiceProxyResponse, std::less<>> arrived_;
  std::map<std::string, Completion, std::less<>> asyncHandlers_;
};

namespace detail {

// The promise of a typed request, shared by its completion callbacks: completed once; when
// the last holder goes without completing it (the request was dropped), it completes with
// "Finalizing" so that nobody awaits forever or meets a broken promise.
template <class T>
class ServiceProxyPromise {
 public:
  ServiceProxyPromise() = default;
  ServiceProxyPromise(const ServiceProxyPromise&) = delete;
  ServiceProxyPromise& operator=(const ServiceProxyPromise&) = delete;
  ~ServiceProxyPromise() {
    if (!completed_) promise_.set_value(MaybeType<Failure, T>::FromFailure(kServiceProxyFinalizing));
  }

  std::future<MaybeType<Failure, T>> future() { return promise_.get_future(); }
  void Complete(MaybeType<Failure, T> result) {
    if (completed_) return;
    completed_ = true;
    promise_.set_value(std::move(result));
  }

 private:
  bool completed_ = false;
  std::promise<MaybeType<Failure, T>> promise_;
};

template <class T>
MaybeType<Failure, T> ConvertServiceProxyReply(const Plugin::PluginServiceProxyResponse& reply,
                                               const BindingRegistry* types) {
  if (!reply.error.empty()) return MaybeType<Failure, T>::FromFailure(reply.error);
  if (types != nullptr) {
    BindingResult parsed = ParseJson(reply.payload);
    if (parsed.ok()) {
      MaybeType<Failure, T> converted = FromBinding<T>(parsed.value(), kResultRootName, *types);
      if (converted.ok()) return converted;
    }
  }
  return MaybeType<Failure, T>::FromFailureValue(
      MakeCallFailure(kServiceProxyPayloadNotConvertedTemplate, {reply.payload, StaticTypeName<T>()}));
}

}  // namespace detail

template <class T>
std::future<MaybeType<Failure, T>> ServiceProxyCalls::RequestAs(std::string_view service,
                                                                std::string_view method,
                                                                const BindingProperty& payload,
                                                                std::string_view replyKey,
                                                                std::string_view further) {
  auto promise = std::make_shared<detail::ServiceProxyPromise<T>>();
  std::future<MaybeType<Failure, T>> future = promise->future();
  CallContext& context = context_;
  const std::string status = Request(
      service, method, payload, replyKey, further,
      [promise, &context](const Plugin::PluginServiceProxyResponse& reply) {
        promise->Complete(detail::ConvertServiceProxyReply<T>(reply, context.conversionTypes()));
      });
  if (!status.empty()) promise->Complete(MaybeType<Failure, T>::FromFailure(status));
  return future;
}

}  // namespace Vela
