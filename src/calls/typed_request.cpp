#include "calls/typed_request.h"

#include <algorithm>
#include <cstddef>

#include "binding/host_value_conversion.h"
#include "codecs/json.h"

namespace Vela {
namespace {

// A host may announce any body length; reserving it must not become the failure.
constexpr uint32_t kMaxStreamReservation = 16u << 20;

BindingProperty CallFailure(std::string_view pattern, HttpMethod method, std::string_view path,
                            std::string_view error, uint32_t status = 0) {
  return MakeCallFailure(pattern, {MethodText(method), path, error}, status);
}

// Releases the encoded arguments however the call ends.
class EncodedArguments {
 public:
  EncodedArguments(std::span<const BindingProperty> values, const BindingRegistry* enums)
      : arguments_(values.size()) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      arguments_[i].name = nullptr;  // positional
      ToHostValue(values[i], arguments_[i].value, enums);
    }
  }
  ~EncodedArguments() {
    for (HostArgument& argument : arguments_) ReleaseHostValue(argument.value);
  }
  EncodedArguments(const EncodedArguments&) = delete;
  EncodedArguments& operator=(const EncodedArguments&) = delete;

  HostArgument* data() { return arguments_.empty() ? nullptr : arguments_.data(); }
  uint32_t count() const { return static_cast<uint32_t>(arguments_.size()); }

 private:
  std::vector<HostArgument> arguments_;
};

void ReleaseStream(HostResponse& response) noexcept {
  void* stream = response.stream;
  auto release = response.streamRelease;
  // Cleared first: the record must not hand the stream out twice.
  response.stream = nullptr;
  response.streamRead = nullptr;
  response.streamRelease = nullptr;
  if (stream != nullptr && release != nullptr) release(stream);
}

// Drains the body stream into a text; fails with the bare reason.
MaybeType<Failure, std::string> ReadStream(CallContext& context, HostResponse& response) {
  std::string text;
  const uint32_t announced = response.bodyLength;  // copied: the packed field may be misaligned
  text.reserve(std::min(announced, kMaxStreamReservation));
  char buffer[kStreamReadChunk];
  for (;;) {
    uint32_t count = kStreamReadChunk;
    uint8_t more = 0;
    const bool read = response.streamRead(response.stream, buffer, &count, &more) != 0;
    // A count beyond the buffer would be a host fault; trusting it would read past it.
    if (!read || count > kStreamReadChunk) {
      ReleaseStream(response);
      return MaybeType<Failure, std::string>::FromFailure(kStreamReadErrorMessage);
    }
    text.append(buffer, count);
    if (more == 0) break;
    // A short piece while more is to come: the rest is not there yet, let the host work.
    if (count < kStreamReadChunk) (void)context.WaitYield();
  }
  ReleaseStream(response);
  return MaybeType<Failure, std::string>(std::move(text));
}

}  // namespace

namespace detail {

BindingProperty ParametersNotConverted(HttpMethod method, std::string_view path, std::string_view error) {
  return CallFailure(kParametersNotConvertedTemplate, method, path, error, kParametersNotConvertedStatus);
}

BindingProperty ResponseNotConverted(HttpMethod method, std::string_view path, std::string_view error) {
  return CallFailure(kResponseNotConvertedTemplate, method, path, error);
}

MaybeType<Failure, bool> SendValues(CallContext& context, HttpMethod method, std::string_view path,
                                    std::span<const BindingProperty> values, HostResponse& response) {
  EncodedArguments arguments(values, context.conversionTypes());
  const std::string pathText(path);
  HostRequest request{};
  request.method = static_cast<uint32_t>(method);
  request.path = pathText.c_str();
  request.args = arguments.data();
  request.argCount = arguments.count();
  // The request context word carries the plugin cookie.
  request.requestContext = reinterpret_cast<void*>(static_cast<uintptr_t>(context.cookie()));

  response = HostResponse{};
  context.Request(&response, &request);
  if (response.head.error != nullptr) {
    return MaybeType<Failure, bool>::FromFailureValue(
        CallFailure(kErrorResponseTemplate, method, path, response.head.error, response.status));
  }
  return MaybeType<Failure, bool>(true);
}

BindingResult ReadResponseValue(CallContext& context, HttpMethod method, std::string_view path,
                                HostResponse& response) {
  if (response.streamRead != nullptr) {
    MaybeType<Failure, std::string> text = ReadStream(context, response);
    if (!text.ok()) {
      return BindingResult::FromFailureValue(CallFailure(kStreamNotReadTemplate, method, path, text.message()));
    }
    BindingResult parsed = ParseJson(text.value());
    if (!parsed.ok()) {
      return BindingResult::FromFailureValue(CallFailure(kStreamNotReadTemplate, method, path, parsed.message()));
    }
    return parsed;
  }
  BindingResult decoded = FromHostValue(response.head.value, kResultRootName);
  if (!decoded.ok()) return BindingResult::FromFailureValue(ResponseNotConverted(method, path, decoded.message()));
  return decoded;
}

void ReleaseResponse(HostResponse& response) noexcept {
  ReleaseStream(response);
  auto release = response.release;
  response.release = nullptr;  // a second release of the same record must be harmless
  if (release != nullptr) release(&response);
}

}  // namespace detail
}  // namespace Vela
