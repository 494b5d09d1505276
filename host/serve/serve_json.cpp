#include "serve_json.h"

#include "codecs/json.h"
#include "resource_event_type.h"
#include "scenario.h"

namespace Vela::Host {
namespace {

constexpr std::string_view kFailedWithoutMessage = "The call failed without a message";

std::string JsonText(const BindingProperty& value) { return value.IsEmpty() ? std::string("null") : WriteJson(value); }

BindingProperty Texts(const std::vector<std::string>& texts) {
  BindingProperty list;
  list.MakeCollection();
  for (const std::string& text : texts) list.Append() = text;
  return list;
}

uint64_t Counter(const std::array<uint32_t, 14>& words, std::size_t index) {
  return static_cast<uint64_t>(words[2 * index]) | (static_cast<uint64_t>(words[2 * index + 1]) << 32);
}

}  // namespace

HttpAnswer ErrorAnswer(int status, std::string_view message) {
  BindingProperty body;
  body.MutableField("httpStatus") = static_cast<uint64_t>(status);
  body.MutableField("message") = message;
  HttpAnswer answer;
  answer.status = status;
  answer.body = WriteJson(body);
  return answer;
}

HttpAnswer JsonAnswer(const BindingProperty& value, int status) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = JsonText(value);
  return answer;
}

HttpAnswer AnswerOf(const CallResult& result, std::string_view method, std::string_view path) {
  if (!result.found) {
    return ErrorAnswer(404, std::string(kNoFunctionMessage) + " " + std::string(method) + " " + std::string(path));
  }
  if (result.failed) {
    const int status = result.status >= 100 && result.status <= 599 ? static_cast<int>(result.status) : 500;
    return ErrorAnswer(status, result.error.empty() ? kFailedWithoutMessage : std::string_view(result.error));
  }
  HttpAnswer answer;
  answer.status = result.status >= 100 && result.status <= 599 ? static_cast<int>(result.status) : 200;
  for (const NamedText& header : result.headers) {
    if (header.name.empty()) continue;
    answer.headers.emplace_back(header.name, header.value);
  }
  if (!result.streamedBody.empty()) {
    answer.body = result.streamedBody;
  } else if (answer.status != 204) {
    answer.body = JsonText(result.value);
  }
  return answer;
}

BindingProperty FiredEventJson(const HostCall& call) {
  BindingProperty event;
  event.MutableField("name") = call.text;
  const BindingProperty& payload = call.value;
  if (payload.kind() == BindingKind::Structure && !payload.FieldOrEmpty("uri").IsEmpty()) {
    event.MutableField("eventType") = ResourceEventTypeWord(payload.FieldOrEmpty("eventType"));
    event.MutableField("uri") = payload.FieldOrEmpty("uri");
    event.MutableField("data") = payload.FieldOrEmpty("data");
  } else {
    event.MutableField("data") = payload;
  }
  return event;
}

BindingProperty OutcomeJson(const StepOutcome& outcome) {
  BindingProperty json;
  json.MutableField("step") = static_cast<uint64_t>(outcome.number);
  json.MutableField("title") = outcome.title;
  if (!outcome.note.empty()) json.MutableField("note") = outcome.note;
  BindingProperty& events = json.MutableField("events");
  events.MakeCollection();
  for (const FiredEvent& fired : outcome.events) {
    BindingProperty& event = events.Append();
    event.MutableField("names") = Texts(fired.names);
    if (fired.eventType.empty()) {
      event.MutableField("payload") = fired.payload;
    } else {
      event.MutableField("eventType") = fired.eventType;
      event.MutableField("uri") = fired.uri;
      event.MutableField("data") = fired.data;
    }
  }
  BindingProperty& requests = json.MutableField("requests");
  requests.MakeCollection();
  for (const SentRequest& sent : outcome.requests) {
    BindingProperty& request = requests.Append();
    request.MutableField("method") = HttpMethodWord(sent.method);
    request.MutableField("path") = sent.path;
    request.MutableField("args") = sent.arguments;
    request.MutableField("status") = static_cast<uint64_t>(sent.status);
    if (!sent.error.empty()) request.MutableField("error") = sent.error;
  }
  BindingProperty& logs = json.MutableField("logs");
  logs.MakeCollection();
  for (const ForwardedLog& forwarded : outcome.logs) {
    BindingProperty& log = logs.Append();
    log.MutableField("level") = static_cast<int64_t>(forwarded.level);
    log.MutableField("text") = forwarded.text;
  }
  if (outcome.answer) {
    const CallAnswer& call = *outcome.answer;
    BindingProperty& answer = json.MutableField("answer");
    answer.MutableField("found") = call.found;
    answer.MutableField("function") = call.function;
    answer.MutableField("status") = static_cast<uint64_t>(call.status);
    answer.MutableField("failed") = call.failed;
    if (call.failed) answer.MutableField("failure") = call.failure;
    answer.MutableField("value") = call.value;
  }
  json.MutableField("expectations") = static_cast<uint64_t>(outcome.expectations);
  json.MutableField("held") = outcome.held();
  json.MutableField("unmet") = Texts(outcome.unmet);
  return json;
}

BindingProperty MemoryJson(const std::array<uint32_t, 14>& words) {
  static constexpr std::array<std::string_view, 6> kNames = {"peakBytesInUse", "liveAllocationsAtPeak", "bytesAllocated",
                                                             "allocations",    "bytesFreed",            "frees"};
  BindingProperty json;
  for (std::size_t i = 0; i < kNames.size(); ++i) json.MutableField(kNames[i]) = Counter(words, i);
  const uint64_t allocated = Counter(words, 2);
  const uint64_t freed = Counter(words, 4);
  const uint64_t allocations = Counter(words, 3);
  const uint64_t frees = Counter(words, 5);
  // Signed: counters read one by one may pass each other for a moment.
  json.MutableField("bytesInUse") = static_cast<int64_t>(allocated - freed);
  json.MutableField("allocationsInUse") = static_cast<int64_t>(allocations - frees);
  return json;
}

}  // namespace Vela::Host
