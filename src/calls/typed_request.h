// Typed requests to other plugins' REST functions through the host's Request: native
// arguments are converted through the registry, the call is synchronous, and the reply is
// converted back to a native type. Every failure is a Failure rendered from one of the four
// templates below, with the method, the path and the underlying text as named values
// (calls/call_failure.h); failures that answer an HTTP status keep it.
//
//   MaybeType<Failure, Session> session =
//       RequestOf<Session>(module, HttpMethod::Get, "/arx-login/v1/session");
//   MaybeType<Failure, bool> posted =
//       Send(module, HttpMethod::Post, "/player-notifications/v1/notifications", notification);
//
// The arguments are positional host values, in order. A streamed reply is drained here,
// 4096 bytes at a time; between partial reads the caller yields to the host (WaitYield),
// so other callbacks of the plugin may run before a request that got a streamed reply
// returns. The response record is released in every case, and so are the arguments.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "abi/host_response.h"
#include "binding/binding_property.h"
#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "calls/call_context.h"
#include "calls/call_failure.h"
#include "rest/http_method.h"

namespace Vela {

// {method} the method's text, {url} the path, {error} the underlying failure's text.
inline constexpr std::string_view kParametersNotConvertedTemplate =
    "Request not sent: Error converting parameters for {method} {url}: {error}";
inline constexpr std::string_view kErrorResponseTemplate = "Error response for {method} {url}: {error}";
inline constexpr std::string_view kStreamNotReadTemplate =
    "Error reading streamed response for {method} {url}: {error}";
inline constexpr std::string_view kResponseNotConvertedTemplate =
    "Error converting response for {method} {url}: {error}";
// The {error} of a stream whose read entry reports failure.
inline constexpr std::string_view kStreamReadErrorMessage = "Stream read error";
// The {error} of a conversion attempted before the module has a registry.
inline constexpr std::string_view kNoConversionTypesMessage = "The module is not registered";
// The status code of a request refused before sending.
inline constexpr uint32_t kParametersNotConvertedStatus = 400;
// The root name under which replies are decoded and converted.
inline constexpr std::string_view kResultRootName = "<result>";
// How many bytes each read of a streamed reply offers.
inline constexpr uint32_t kStreamReadChunk = 4096;

namespace detail {

[[nodiscard]] BindingProperty ParametersNotConverted(HttpMethod method, std::string_view path,
                                                     std::string_view error);
[[nodiscard]] BindingProperty ResponseNotConverted(HttpMethod method, std::string_view path,
                                                   std::string_view error);

// Sends the already converted argument values; fills `response`, which the caller releases.
[[nodiscard]] MaybeType<Failure, bool> SendValues(CallContext& context, HttpMethod method,
                                                  std::string_view path,
                                                  std::span<const BindingProperty> values,
                                                  HostResponse& response);
// The reply's value: the streamed body parsed as JSON, or the decoded result value. May
// yield to the host while the stream is drained.
[[nodiscard]] BindingResult ReadResponseValue(CallContext& context, HttpMethod method,
                                              std::string_view path, HostResponse& response);
// Releases a body stream that was never drained, then the record itself.
void ReleaseResponse(HostResponse& response) noexcept;

template <class... Args>
[[nodiscard]] MaybeType<Failure, std::vector<BindingProperty>> ConvertArguments(
    const CallContext& context, HttpMethod method, std::string_view path, const Args&... arguments) {
  using Result = MaybeType<Failure, std::vector<BindingProperty>>;
  std::vector<BindingProperty> values;
  if constexpr (sizeof...(Args) != 0) {
    const BindingRegistry* types = context.conversionTypes();
    if (types == nullptr) {
      return Result::FromFailureValue(ParametersNotConverted(method, path, kNoConversionTypesMessage));
    }
    values.reserve(sizeof...(Args));
    BindingResult failed = BindingResult::Ok();
    auto convert = [&](const auto& argument) {
      if (!failed.ok()) return;  // the first failure wins; nothing after it is converted
      BindingResult converted = ToBinding(argument, *types);
      if (!converted.ok()) {
        failed = std::move(converted);
        return;
      }
      values.push_back(std::move(converted).value());
    };
    (convert(arguments), ...);
    if (!failed.ok()) return Result::FromFailureValue(ParametersNotConverted(method, path, failed.message()));
  }
  return Result(std::move(values));
}

}  // namespace detail

// Send and Send with arguments: POSTs, PUTs, DELETEs whose reply is not read. Each argument
// is of a registered native type (or a BindingProperty). Fails with the 400 parameters
// failure when an argument does not convert (nothing is sent), or with the "Error
// response" failure and the reply's status when the host reports an error.
template <class... Args>
[[nodiscard]] MaybeType<Failure, bool> Send(CallContext& context, HttpMethod method,
                                            std::string_view path, const Args&... arguments) {
  auto values = detail::ConvertArguments(context, method, path, arguments...);
  if (!values.ok()) return MaybeType<Failure, bool>::FromFailureValue(values.failure());
  HostResponse response{};
  MaybeType<Failure, bool> sent = detail::SendValues(context, method, path, values.value(), response);
  detail::ReleaseResponse(response);
  return sent;
}

// Request of T: as Send, then the reply converted to T under the root name "<result>".
// Besides Send's failures: "Error reading streamed response" when a streamed reply cannot
// be read or parsed as JSON, "Error converting response" when the reply cannot be decoded
// or converted to T. May yield to the host while a streamed reply is drained.
template <class T, class... Args>
[[nodiscard]] MaybeType<Failure, T> RequestOf(CallContext& context, HttpMethod method,
                                              std::string_view path, const Args&... arguments) {
  using Result = MaybeType<Failure, T>;
  auto values = detail::ConvertArguments(context, method, path, arguments...);
  if (!values.ok()) return Result::FromFailureValue(values.failure());
  HostResponse response{};
  MaybeType<Failure, bool> sent = detail::SendValues(context, method, path, values.value(), response);
  if (!sent.ok()) {
    detail::ReleaseResponse(response);
    return Result::FromFailureValue(sent.failure());
  }
  BindingResult reply = detail::ReadResponseValue(context, method, path, response);
  detail::ReleaseResponse(response);
  if (!reply.ok()) return Result::FromFailureValue(reply.failure());

  const BindingRegistry* types = context.conversionTypes();
  if (types == nullptr) {
    return Result::FromFailureValue(detail::ResponseNotConverted(method, path, kNoConversionTypesMessage));
  }
  Result converted = FromBinding<T>(reply.value(), kResultRootName, *types);
  if (!converted.ok()) {
    return Result::FromFailureValue(detail::ResponseNotConverted(method, path, converted.message()));
  }
  return converted;
}

}  // namespace Vela
