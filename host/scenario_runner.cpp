#include "scenario_runner.h"

#include <utility>

#include "resource_event_type.h"
#include "value_subset.h"

namespace Vela::Host {
namespace {

constexpr HostVersion kHostPluginApiVersion{18, 0, 0};
constexpr std::string_view kJsonApiEvent = "OnJsonApiEvent";

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string EventText(const FiredEvent& event) {
  if (event.eventType.empty()) return event.names.empty() ? std::string() : event.names.front();
  return event.eventType + " " + event.uri;
}

std::string ExpectedEventText(const EventExpectation& event) {
  std::string text = event.eventType.empty() ? std::string("any event") : event.eventType;
  text += event.uri.empty() ? std::string() : " " + event.uri;
  if (!event.name.empty()) text += " (as " + event.name + ")";
  if (event.data) text += " with data " + ValueText(*event.data);
  return text;
}

std::string RequestText(uint32_t method, const std::string& path) {
  return std::string(method == 0 ? std::string_view("any method") : HttpMethodWord(method)) + " " + path;
}

bool NameMatches(const EventExpectation& expected, const FiredEvent& event) {
  if (expected.name.empty()) return true;
  for (const std::string& name : event.names) {
    if (name == expected.name) return true;
  }
  return false;
}

// Same name, type and uri as expected; the data is compared apart.
bool EventHeadMatches(const EventExpectation& expected, const FiredEvent& event) {
  return NameMatches(expected, event) && (expected.eventType.empty() || expected.eventType == event.eventType) &&
         (expected.uri.empty() || expected.uri == event.uri);
}

bool RequestHeadMatches(const RequestExpectation& expected, const SentRequest& request) {
  return (expected.method == 0 || expected.method == request.method) &&
         (expected.path.empty() || expected.path == request.path);
}

template <typename Seen>
std::string ListOf(const std::vector<Seen>& seen, std::string (*text)(const Seen&)) {
  if (seen.empty()) return "nothing";
  std::string list;
  for (const Seen& each : seen) {
    if (!list.empty()) list += ", ";
    list += text(each);
  }
  return list;
}

std::string SentText(const SentRequest& request) { return RequestText(request.method, request.path); }

void CheckEvents(const std::vector<EventExpectation>& expected, const std::vector<FiredEvent>& events,
                 std::vector<std::string>& unmet) {
  if (expected.empty()) {
    if (!events.empty()) unmet.push_back("events: expected none, found " + ListOf(events, &EventText));
    return;
  }
  std::size_t next = 0;
  for (const EventExpectation& want : expected) {
    std::size_t found = next;
    std::string closest;
    for (; found < events.size(); ++found) {
      if (!EventHeadMatches(want, events[found])) continue;
      if (!want.data) break;
      std::string mismatch = SubsetMismatch(*want.data, events[found].data, "data");
      if (mismatch.empty()) break;
      if (closest.empty()) closest = std::move(mismatch);
    }
    if (found == events.size()) {
      unmet.push_back("events: expected " + ExpectedEventText(want) +
                      (next == 0 ? std::string() : " after the events matched before it") +
                      (closest.empty() ? ", found " + ListOf(events, &EventText) : ": " + closest));
      return;
    }
    next = found + 1;
  }
}

void CheckRequests(const std::vector<RequestExpectation>& expected, const std::vector<SentRequest>& requests,
                   std::vector<std::string>& unmet) {
  if (expected.empty()) {
    if (!requests.empty()) unmet.push_back("requests: expected none, found " + ListOf(requests, &SentText));
    return;
  }
  std::size_t next = 0;
  for (const RequestExpectation& want : expected) {
    std::size_t found = next;
    std::string closest;
    for (; found < requests.size(); ++found) {
      if (!RequestHeadMatches(want, requests[found])) continue;
      if (!want.arguments) break;
      std::string mismatch = SubsetMismatch(*want.arguments, requests[found].arguments, "args");
      if (mismatch.empty()) break;
      if (closest.empty()) closest = std::move(mismatch);
    }
    if (found == requests.size()) {
      unmet.push_back("requests: expected " + RequestText(want.method, want.path) +
                      (next == 0 ? std::string() : " after the requests matched before it") +
                      (closest.empty() ? ", found " + ListOf(requests, &SentText) : ": " + closest));
      return;
    }
    next = found + 1;
  }
}

std::string AnswerText(const CallAnswer& answer) {
  if (answer.failed) return std::to_string(answer.status) + " \"" + answer.failure + "\"";
  return std::to_string(answer.status) + " " + ValueText(answer.value);
}

void CheckAnswer(const StepExpectations& expect, const StepOutcome& outcome, std::vector<std::string>& unmet) {
  if (!expect.status && !expect.value && !expect.failure) return;
  if (!outcome.answer) return;
  const CallAnswer& answer = *outcome.answer;
  if (expect.status && *expect.status != answer.status) {
    unmet.push_back("status: expected " + std::to_string(*expect.status) + ", found " + AnswerText(answer));
  }
  if (expect.failure) {
    if (!answer.failed) {
      unmet.push_back("failure: expected \"" + *expect.failure + "\", but the call succeeded: " + AnswerText(answer));
    } else if (answer.failure != *expect.failure) {
      unmet.push_back("failure: expected \"" + *expect.failure + "\", found \"" + answer.failure + "\"");
    }
  }
  if (expect.value) {
    if (answer.failed) {
      unmet.push_back("value: expected " + ValueText(*expect.value) + ", but the call failed: " + AnswerText(answer));
    } else if (std::string mismatch = SubsetMismatch(*expect.value, answer.value, "value"); !mismatch.empty()) {
      unmet.push_back(std::move(mismatch));
    }
  }
}

std::size_t CountOf(const StepExpectations& expect) {
  return (expect.status ? 1 : 0) + (expect.value ? 1 : 0) + (expect.failure ? 1 : 0) + (expect.events ? 1 : 0) +
         (expect.requests ? 1 : 0) + expect.logs.size();
}

}  // namespace

std::string StepTitle(const ScenarioStep& step) {
  std::string title(StepKindWord(step.kind));
  switch (step.kind) {
    case StepKind::SetResource:
    case StepKind::DeleteResource:
    case StepKind::LcdsMessage:
      return title + " " + step.target;
    case StepKind::ServiceReply:
      return title + " " + step.target + " " + step.method;
    case StepKind::Yield:
      return step.count == 1 ? title : title + " " + std::to_string(step.count);
    case StepKind::Tasks:
      return title;
    case StepKind::Advance: {
      std::string seconds = std::to_string(step.seconds);
      seconds.erase(seconds.find_last_not_of('0') + 1);
      if (!seconds.empty() && seconds.back() == '.') seconds.pop_back();
      return title + " " + seconds + " s";
    }
    case StepKind::Call:
      return title + " " + std::string(HttpMethodWord(step.httpMethod)) + " " + step.target;
  }
  return title;
}

std::vector<std::string> CheckExpectations(const StepExpectations& expect, const StepOutcome& outcome) {
  std::vector<std::string> unmet;
  CheckAnswer(expect, outcome, unmet);
  if (expect.events) CheckEvents(*expect.events, outcome.events, unmet);
  if (expect.requests) CheckRequests(*expect.requests, outcome.requests, unmet);
  for (const std::string& part : expect.logs) {
    bool found = false;
    for (const ForwardedLog& log : outcome.logs) found = found || log.text.find(part) != std::string::npos;
    if (!found) unmet.push_back("logs: no forwarded line contains \"" + part + "\"");
  }
  return unmet;
}

ScenarioSession::ScenarioSession() = default;
ScenarioSession::~ScenarioSession() = default;

std::string ScenarioSession::Open(const std::string& pluginPath) {
  host_ = std::make_unique<PluginHost>();
  if (std::string error = host_->Load(pluginPath); !error.empty()) {
    return "cannot load the plugin library " + pluginPath + ": " + error;
  }
  const HandshakeOutcome outcome = host_->Handshake(kHostPluginApiVersion);
  if (!outcome.answered) return "the plugin " + pluginPath + " did not answer the handshake";
  login_ = std::make_shared<LoginPlugin>(*host_);
  gameFlow_ = MakeGameFlowPlugin(*host_);
  platformConfig_ = MakePlatformConfigPlugin(*host_);
  notifications_ = std::make_shared<PlayerNotificationsPlugin>();
  host_->AddSibling(login_);
  host_->AddSibling(gameFlow_);
  host_->AddSibling(platformConfig_);
  host_->AddSibling(notifications_);
  host_->SetStallHandler([login = login_.get()] { login->AnswerSilentRequests(); });
  if (!host_->Start()) return "the plugin's Start answered false";
  host_->RunUntilIdle();
  started_ = StepOutcome{};
  started_.title = outcome.shortName + " " + std::to_string(outcome.pluginVersion.major) + "." +
                   std::to_string(outcome.pluginVersion.minor) + "." + std::to_string(outcome.pluginVersion.patch) +
                   " loaded and started";
  Collect(0, started_);
  for (const SentRequest& request : started_.requests) {
    if (request.status == 404) {
      started_.note = "A 404 answer here means the sibling has no value for that resource yet.";
      break;
    }
  }
  return {};
}

ResourceSibling* ScenarioSession::SiblingFor(std::string_view path) {
  for (ResourceSibling* sibling : {static_cast<ResourceSibling*>(login_.get()), gameFlow_.get(), platformConfig_.get()}) {
    for (const SiblingRoute& route : sibling->Routes()) {
      if (route.method == 2 && route.path == path) return sibling;
    }
  }
  return nullptr;
}

void ScenarioSession::ForgetSiblingRecords() {
  login_->ForgetRecords();
  notifications_->ForgetPosted();
}

const BindingProperty* ScenarioSession::SiblingValue(std::string_view path) {
  ResourceSibling* sibling = host_ == nullptr ? nullptr : SiblingFor(path);
  return sibling == nullptr ? nullptr : sibling->Get(path);
}

StepOutcome ScenarioSession::Run(const ScenarioStep& step) {
  StepOutcome outcome;
  outcome.number = step.number;
  outcome.title = StepTitle(step);
  outcome.note = step.note;
  const std::size_t from = host_->recording().calls.size();
  bool settles = step.settle;
  switch (step.kind) {
    case StepKind::SetResource:
    case StepKind::DeleteResource:
      // The parser admits only the siblings' paths.
      if (ResourceSibling* sibling = SiblingFor(step.target); sibling != nullptr) {
        if (step.kind == StepKind::SetResource) {
          sibling->Set(step.target, step.value);
        } else {
          sibling->Remove(step.target);
        }
      }
      break;
    case StepKind::LcdsMessage:
      login_->DeliverLcdsMessage(step.target, step.value);
      break;
    case StepKind::ServiceReply:
      login_->SetServiceReply(step.target, step.method, step.reply);
      login_->SetReplyTiming(step.timing);
      break;
    case StepKind::Yield:
      for (uint64_t i = 0; i < step.count; ++i) host_->RunDue();
      settles = false;
      break;
    case StepKind::Tasks:
      host_->RunUntilIdle();
      break;
    case StepKind::Advance:
      host_->AdvanceBy(step.seconds);
      settles = false;
      break;
    case StepKind::Call: {
      CallRequest request;
      request.method = step.httpMethod;
      request.path = step.target;
      for (const BindingProperty& argument : step.value.Elements()) request.arguments.push_back(argument);
      CallResult result = host_->Call(request);
      CallAnswer answer;
      answer.found = result.found;
      answer.function = result.function;
      answer.failed = result.failed;
      answer.failure = result.error;
      answer.status = result.status != 0 ? result.status : (result.failed ? 500 : 200);
      answer.value = std::move(result.value);
      if (!result.found) {
        // Answered as the client core answers a path that no plugin serves.
        answer.status = 404;
        answer.failed = true;
        answer.failure = std::string(kNoFunctionMessage) + " " + std::string(HttpMethodWord(step.httpMethod)) + " " + step.target;
      }
      outcome.answer = std::move(answer);
      break;
    }
  }
  if (settles) host_->RunUntilIdle();
  Collect(from, outcome);
  outcome.expectations = CountOf(step.expect);
  outcome.unmet = CheckExpectations(step.expect, outcome);
  return outcome;
}

void ScenarioSession::Collect(std::size_t from, StepOutcome& outcome) const {
  const std::vector<HostCall>& calls = host_->recording().calls;
  for (std::size_t i = from; i < calls.size(); ++i) {
    const HostCall& call = calls[i];
    switch (call.kind) {
      case HostCallKind::FireEvent: {
        // The change fired a moment ago under its own name, now fired for every listener.
        const bool sameChange = call.text == kJsonApiEvent && i > from && calls[i - 1].kind == HostCallKind::FireEvent &&
                                !outcome.events.empty() && outcome.events.back().names.back() != kJsonApiEvent &&
                                outcome.events.back().payload == call.value;
        if (sameChange) {
          outcome.events.back().names.push_back(call.text);
          break;
        }
        outcome.order.push_back(Done{DoneKind::Event, outcome.events.size()});
        FiredEvent event;
        event.names.push_back(call.text);
        event.payload = call.value;
        if (call.value.kind() == BindingKind::Structure && !call.value.FieldOrEmpty("uri").IsEmpty()) {
          event.eventType = ResourceEventTypeWord(call.value.FieldOrEmpty("eventType"));
          event.uri = std::string(call.value.FieldOrEmpty("uri").GetStringOr({}));
          event.data = call.value.FieldOrEmpty("data");
        }
        outcome.events.push_back(std::move(event));
        break;
      }
      case HostCallKind::Request: {
        outcome.order.push_back(Done{DoneKind::Request, outcome.requests.size()});
        SentRequest request;
        request.method = call.method;
        const std::size_t space = call.text.find(' ');
        request.path = space == std::string::npos ? call.text : call.text.substr(space + 1);
        request.arguments = call.value;
        if (request.arguments.IsEmpty()) request.arguments.MakeCollection();
        request.status = call.status;
        request.error = call.error;
        outcome.requests.push_back(std::move(request));
        break;
      }
      case HostCallKind::Log:
        outcome.order.push_back(Done{DoneKind::Log, outcome.logs.size()});
        outcome.logs.push_back(ForwardedLog{call.level, WithoutLineEnd(call.text)});
        break;
      case HostCallKind::Unused1:
      case HostCallKind::RegisterEventHandler:
      case HostCallKind::UnregisterEventHandler:
      case HostCallKind::PostTask:
      case HostCallKind::Yield:
      case HostCallKind::BeginWait:
      case HostCallKind::EndWait:
        break;
    }
  }
}

}  // namespace Vela::Host
