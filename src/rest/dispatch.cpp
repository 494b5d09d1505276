#include "rest/dispatch.h"

#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/host_value_arena.h"
#include "binding/host_value_conversion.h"
#include "rest/api_registry.h"
#include "rest/argument_binding.h"
#include "rest/function_binding.h"
#include "rest/function_record.h"
#include "rest/route.h"
#include "rest/url_decode.h"
#include "util/allocation.h"
#include "util/format_text.h"

namespace Vela {
namespace {

// The status text of every response without one; never freed.
constexpr char kSharedEmptyText[] = "";

constexpr uint32_t kStatusNotFound = 404;
constexpr uint32_t kStatusInternalServerError = 500;
constexpr std::string_view kInternalServerError = "Internal server error";

// A copy the release entry frees; null when the allocation fails.
char* CopyText(std::string_view text) {
  auto* copy = static_cast<char*>(Allocate(text.size() + 1));
  if (copy == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

std::string_view TextOrEmpty(const char* text) { return text == nullptr ? std::string_view() : text; }

void StoreFailure(HostResponse& out, std::string_view message, uint32_t status) {
  out.head.error = CopyText(message);
  out.head.errorOwned = 1;
  out.status = status;
  // The host reads the status text of every response, including those the handler never
  // produced.
  if (out.statusText == nullptr) out.statusText = kSharedEmptyText;
}

uint8_t ReadBodyStream(void* stream, void* buffer, uint32_t* count, uint8_t* more) {
  if (stream == nullptr || count == nullptr) return 0;
  try {
    bool hasMore = false;
    const bool ok = static_cast<ResponseBodyStream*>(stream)->Read(buffer, *count, hasMore);
    if (more != nullptr) *more = hasMore ? 1 : 0;
    return ok ? 1 : 0;
  } catch (...) {
    // This entry is called by the host directly: nothing may escape to it.
    return 0;
  }
}

void ReleaseBodyStream(void* stream) { delete static_cast<ResponseBodyStream*>(stream); }

void FillResponse(HostResponse& out, RestCallState& call, const EnumNameLookup* enums) {
  if (!call.status.ok()) {
    out.head.error = CopyText(call.status.message());
    out.head.errorOwned = 1;
  } else if (!call.hostTarget.written) {
    HostValueArena::Scope scope(call.hostTarget.arena);
    ToHostValue(call.reply.value, out.head.value, enums);
  }
  RestReply& reply = call.reply;
  out.resultFlag = reply.resultFlag;
  out.resultMode = reply.resultMode >= 1 && reply.resultMode <= 3 ? reply.resultMode : 0;
  out.status = reply.status;
  out.statusText = reply.statusText.empty() ? kSharedEmptyText : CopyText(reply.statusText);
  if (!reply.headers.empty()) {
    auto* headers = static_cast<HostHeader*>(Allocate(reply.headers.size() * sizeof(HostHeader)));
    if (headers != nullptr) {
      for (std::size_t i = 0; i < reply.headers.size(); ++i) {
        headers[i].name = CopyText(reply.headers[i].first);
        headers[i].value = CopyText(reply.headers[i].second);
      }
      out.headers = headers;
      out.headerCount = static_cast<uint32_t>(reply.headers.size());
    }
  }
  if (reply.stream) {
    out.streamRead = &ReadBodyStream;
    out.streamRelease = &ReleaseBodyStream;
    out.bodyLength = reply.stream->Length();
    out.stream = reply.stream.release();
  }
}

using TextPairs = std::vector<std::pair<std::string, std::string>>;

// (parameter name, header value) for each parameter that may come from a header and whose
// lower-case name is a header's name; of headers sent twice, the later one counts.
TextPairs HeaderArguments(const HostRequest& in, const FunctionBinding& binding) {
  TextPairs pairs;
  if (in.headers == nullptr || in.headerCount == 0) return pairs;
  const auto& parameters = binding.function().parameters;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const ParameterLocation location = binding.LocationOf(i);
    if (location != ParameterLocation::Any && location != ParameterLocation::Header) continue;
    const std::string_view wanted = binding.HeaderNameOf(i);
    for (uint32_t h = in.headerCount; h-- > 0;) {
      const char* name = in.headers[h].name;
      if (name != nullptr && wanted == name) {
        pairs.emplace_back(parameters[i].name, std::string(TextOrEmpty(in.headers[h].value)));
        break;
      }
    }
  }
  return pairs;
}

// The decoded (name, value) pairs of a query string, in order. Empty pieces ("a=1&&b=2",
// a bare "?") carry nothing and are skipped.
TextPairs QueryArguments(std::string_view query) {
  TextPairs pairs;
  while (true) {
    const std::size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    if (!piece.empty()) {
      const std::size_t eq = piece.find('=');
      if (eq == std::string_view::npos) {
        pairs.emplace_back(UrlDecode(piece), std::string());
      } else {
        pairs.emplace_back(UrlDecode(piece.substr(0, eq)), UrlDecode(piece.substr(eq + 1)));
      }
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return pairs;
}

void BindHostArguments(RestCallState& call, const HostRequest& in, const FunctionBinding& binding,
                       std::size_t captureCount) {
  if (in.args == nullptr) return;
  const FunctionRecord& function = binding.function();
  for (uint32_t i = 0; i < in.argCount && call.status.ok(); ++i) {
    const HostArgument& argument = in.args[i];
    std::optional<std::size_t> index;
    std::string shownName;
    if (argument.name != nullptr) {
      shownName = argument.name;
      index = binding.ParameterIndex(shownName);
    } else {
      index = i + captureCount;
      shownName = std::to_string(*index);
    }
    if (!index || *index >= call.parameters.size()) {
      call.status.SetFailure(FormatText(RestMessage::kUnknownArgument, shownName, function.name));
      return;
    }
    BindingResult converted = FromHostValue(argument.value, function.parameters[*index].name);
    if (!converted.ok()) {
      call.status.SetFailure(converted.message());
      return;
    }
    call.parameters[*index] = std::move(converted).value();
  }
}

// Releases the invoker's operation however the call ends.
class OperationGuard {
 public:
  OperationGuard(RestInvoker* invoker, void* operation) : invoker_(invoker), operation_(operation) {}
  OperationGuard(const OperationGuard&) = delete;
  OperationGuard& operator=(const OperationGuard&) = delete;
  ~OperationGuard() {
    if (invoker_ == nullptr) return;
    try {
      invoker_->Release(operation_);
    } catch (...) {
      // Released on the way out of the dispatch: nothing may escape to the host.
    }
  }

 private:
  RestInvoker* invoker_;
  void* operation_;
};

void Dispatch(HostResponse& out, const HostRequest* in) {
  if (in == nullptr || in->function == nullptr || in->function->binding == nullptr) {
    StoreFailure(out, RestMessage::kInvalidFunction, kStatusNotFound);
    return;
  }
  const auto& binding = *static_cast<const FunctionBinding*>(in->function->binding);
  const auto* registry = static_cast<const ApiRegistry*>(in->function->registry);

  const HttpMethod method = HttpMethodFromHost(in->method);
  const std::string_view verb =
      method == HttpMethod::Custom ? TextOrEmpty(in->customVerb) : std::string_view();
  const std::string_view fullPath = TextOrEmpty(in->path);
  const std::size_t question = fullPath.find('?');
  PathCaptures captures;
  if (!MatchRoute(binding.route(), method, verb, fullPath.substr(0, question), captures)) {
    StoreFailure(out, RestMessage::kInvalidFunction, kStatusNotFound);
    return;
  }

  const FunctionRecord& function = binding.function();
  RestCallState call;
  call.parameters.resize(function.parameters.size());
  for (std::size_t i = 0; i < function.parameters.size(); ++i) {
    const ParameterRecord& parameter = function.parameters[i];
    if (parameter.type.code == TypeCode::Bool && !parameter.optional) call.parameters[i] = false;
  }

  const TextPairs headers = HeaderArguments(*in, binding);
  const TextPairs query = question == std::string_view::npos
                              ? TextPairs()
                              : QueryArguments(fullPath.substr(question + 1));
  for (const auto& [key, value] : headers) {
    BindArgument(call, binding, key, value, {}, ParameterLocation::Header);
  }
  for (const auto& [key, value] : captures) {
    BindArgument(call, binding, key, value, {}, ParameterLocation::Path);
  }
  for (const auto& [key, value] : query) {
    BindArgument(call, binding, key, value, {}, ParameterLocation::Query);
  }
  if (call.status.ok()) BindHostArguments(call, *in, binding, captures.size());
  if (in->body != nullptr) {
    BindBody(call, binding, TextOrEmpty(in->contentType), {in->body, in->bodyLength});
  }

  RestInvoker* invoker = binding.invoker();
  void* operation = nullptr;
  bool begun = false;
  if (call.status.ok()) {
    if (invoker == nullptr) {
      // A binding without a handler is a registration mistake, not the caller's.
      call.status.SetFailure(kInternalServerError);
      call.reply.status = kStatusInternalServerError;
    } else {
      operation = invoker->Begin(call.status, call.parameters, in->requestContext);
      begun = true;
    }
  }
  OperationGuard guard(begun ? invoker : nullptr, operation);
  const EnumNameLookup* enums = registry != nullptr ? &registry->types() : nullptr;
  // The answer's value (still Empty here) is written in one arena, which the response's
  // release frees as a whole; the invoker may write it straight from the handler's result.
  HostValueArena arena(out.head.value);
  call.hostTarget = {&out.head.value, enums, &arena, false};
  if (call.status.ok()) invoker->Run(call, nullptr, operation, in->requestContext);
  FillResponse(out, call, enums);
  arena.HandOver();
}

void AnswerException(HostResponse& out, std::string_view message) {
  ReleaseHostResponse(&out);
  out.release = &ReleaseHostResponse;
  StoreFailure(out, message, kStatusInternalServerError);
}

}  // namespace

void DispatchRestRequest(HostResponse* out, const HostRequest* in) {
  if (out == nullptr) return;
  std::memset(out, 0, sizeof *out);
  out->release = &ReleaseHostResponse;
  try {
    Dispatch(*out, in);
  } catch (const std::exception& error) {
    AnswerException(*out, error.what());
  } catch (...) {
    AnswerException(*out, kInternalServerError);
  }
}

void ReleaseHostResponse(HostResponse* response) {
  if (response == nullptr) return;
  HostValueArena::Release(response->head.value);
  if (response->head.errorOwned != 0) Free(response->head.error);
  if (response->statusText != kSharedEmptyText) Free(const_cast<char*>(response->statusText));
  if (response->headers != nullptr) {
    for (uint32_t i = 0; i < response->headerCount; ++i) {
      Free(const_cast<char*>(response->headers[i].name));
      Free(const_cast<char*>(response->headers[i].value));
    }
    Free(response->headers);
  }
  std::memset(response, 0, sizeof *response);
}

}  // namespace Vela
