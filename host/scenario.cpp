#include "scenario.h"

#include <array>
#include <utility>

#include "codecs/json.h"
#include "codecs/yaml.h"
#include "resource_sibling.h"
#include "value_subset.h"

namespace Vela::Host {
namespace {

// The problems a scenario text can have; "%1" and "%2" are filled in at the place.
namespace Problem {
constexpr std::string_view kNotYaml = "the scenario is not valid YAML: %1";
constexpr std::string_view kNotSteps = "a scenario is a list of steps, or a mapping with a list under 'steps'";
constexpr std::string_view kUnknownTopKey = "unknown key '%1' at the top (allowed: name, description, steps)";
constexpr std::string_view kTopText = "'%1' at the top must be a text";
constexpr std::string_view kNoSteps = "the scenario has no steps";
constexpr std::string_view kNotAStep =
    "%1 is not a step; a step is one of: set, delete, lcds, service-reply, yield, tasks, advance, call";
constexpr std::string_view kTwoKinds = "one step has two kinds, '%1' and '%2' (is a '- ' missing?)";
constexpr std::string_view kUnknownKey = "unknown key '%1' (allowed: %2)";
constexpr std::string_view kMissing = "'%1' is missing";
constexpr std::string_view kNotText = "'%1' must be a text";
constexpr std::string_view kNotBool = "'%1' must be true or false";
constexpr std::string_view kNotList = "'%1' must be a list";
constexpr std::string_view kNotCount = "'%1' must be a whole number of at least 1";
constexpr std::string_view kNotSeconds = "'%1' must be a number of seconds, 0 or more";
constexpr std::string_view kNotStatus = "'status' must be an HTTP status code (100 to 599)";
constexpr std::string_view kUnknownResource = "no simulated sibling serves '%1' (known: %2)";
constexpr std::string_view kBadCall = "'call' must be \"METHOD /path\" (METHOD: GET, POST, PUT, PATCH, DELETE, HEAD, OPTIONS), not '%1'";
constexpr std::string_view kBadTiming = "'timing' must be 'later' or 'immediate', not '%1'";
constexpr std::string_view kCallOnly = "'expect: %1' applies to call steps only";
constexpr std::string_view kBadEvent = "an event in 'expect: events' is \"TYPE /uri\" or a mapping of name, type, uri, data; not %1";
constexpr std::string_view kBadEventType = "an event type is Create, Update or Delete, not '%1'";
constexpr std::string_view kBadRequest = "a request in 'expect: requests' is \"METHOD /path\" or a mapping of method, path, args; not %1";
constexpr std::string_view kEmptyText = "'%1' must not be empty";
}  // namespace Problem

constexpr std::array kKindWords = {
    std::pair{StepKind::SetResource, std::string_view("set")},
    std::pair{StepKind::DeleteResource, std::string_view("delete")},
    std::pair{StepKind::LcdsMessage, std::string_view("lcds")},
    std::pair{StepKind::ServiceReply, std::string_view("service-reply")},
    std::pair{StepKind::Yield, std::string_view("yield")},
    std::pair{StepKind::Tasks, std::string_view("tasks")},
    std::pair{StepKind::Advance, std::string_view("advance")},
    std::pair{StepKind::Call, std::string_view("call")},
};

// The keys a step of each kind may carry besides its kind word and the common ones.
std::string_view KeysOf(StepKind kind) {
  switch (kind) {
    case StepKind::SetResource: return "data";
    case StepKind::DeleteResource: return "";
    case StepKind::LcdsMessage: return "body";
    case StepKind::ServiceReply: return "method, payload, status, error, timing";
    case StepKind::Yield: return "";
    case StepKind::Tasks: return "";
    case StepKind::Advance: return "";
    case StepKind::Call: return "args";
  }
  return "";
}

constexpr std::string_view kCommonKeys = "note, settle, expect";

bool Listed(std::string_view list, std::string_view key) {
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(", ", start);
    if (end == std::string_view::npos) end = list.size();
    if (list.substr(start, end - start) == key) return true;
    start = end + 2;
  }
  return false;
}

// Puts `first` for "%1" and `second` for "%2"; the texts are taken as they are, whatever
// they hold, and have no length limit.
std::string Fill(std::string_view pattern, std::string_view first = {}, std::string_view second = {}) {
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
      text += pattern[i + 1] == '1' ? first : second;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

// Reads one step; every problem is thrown as its text, which the caller prefixes with the
// step's name. Exceptions stay inside this file.
struct StepError {
  std::string text;
};

[[noreturn]] void Throw(std::string text) { throw StepError{std::move(text)}; }

std::string TextOf(const BindingProperty& value, std::string_view key) {
  if (value.kind() != BindingKind::String) Throw(Fill(Problem::kNotText, key));
  return std::string(value.GetStringOr({}));
}

std::string NonEmptyTextOf(const BindingProperty& value, std::string_view key) {
  std::string text = TextOf(value, key);
  if (text.empty()) Throw(Fill(Problem::kEmptyText, key));
  return text;
}

bool IsCount(const BindingProperty& value) {
  return value.kind() == BindingKind::Unsigned && value.GetUnsignedOr(0) >= 1;
}

// "METHOD /path", or "/path" for GET.
std::pair<uint32_t, std::string> MethodAndPath(std::string_view text) {
  std::string_view word = "GET";
  std::string_view path = text;
  const std::size_t space = text.find(' ');
  if (space != std::string_view::npos) {
    word = text.substr(0, space);
    path = text.substr(text.find_first_not_of(' ', space) == std::string_view::npos
                           ? text.size()
                           : text.find_first_not_of(' ', space));
  }
  const uint32_t method = HttpMethodCode(word);
  if (method == 0 || path.empty() || path.front() != '/' || path.find(' ') != std::string_view::npos) {
    return {0, {}};
  }
  return {method, std::string(path)};
}

EventExpectation ReadEvent(const BindingProperty& entry) {
  EventExpectation event;
  if (entry.kind() == BindingKind::String) {
    const std::string_view text = entry.GetStringOr({});
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) Throw(Fill(Problem::kBadEvent, ValueText(entry)));
    event.eventType = std::string(text.substr(0, space));
    event.uri = std::string(text.substr(space + 1));
  } else if (entry.kind() == BindingKind::Structure) {
    for (const BindingField& field : entry.Fields()) {
      const std::string_view key = field.name();
      if (key == "name") {
        event.name = TextOf(field.value(), "name");
      } else if (key == "type") {
        event.eventType = TextOf(field.value(), "type");
      } else if (key == "uri") {
        event.uri = TextOf(field.value(), "uri");
      } else if (key == "data") {
        event.data = field.value();
      } else {
        Throw(Fill(Problem::kUnknownKey, key, "name, type, uri, data"));
      }
    }
  } else {
    Throw(Fill(Problem::kBadEvent, ValueText(entry)));
  }
  if (!event.eventType.empty() && event.eventType != "Create" && event.eventType != "Update" &&
      event.eventType != "Delete") {
    Throw(Fill(Problem::kBadEventType, event.eventType));
  }
  return event;
}

RequestExpectation ReadRequest(const BindingProperty& entry) {
  RequestExpectation request;
  if (entry.kind() == BindingKind::String) {
    auto [method, path] = MethodAndPath(entry.GetStringOr({}));
    if (method == 0) Throw(Fill(Problem::kBadRequest, ValueText(entry)));
    request.method = method;
    request.path = std::move(path);
  } else if (entry.kind() == BindingKind::Structure) {
    for (const BindingField& field : entry.Fields()) {
      const std::string_view key = field.name();
      if (key == "method") {
        request.method = HttpMethodCode(TextOf(field.value(), "method"));
        if (request.method == 0) Throw(Fill(Problem::kBadRequest, ValueText(entry)));
      } else if (key == "path") {
        request.path = TextOf(field.value(), "path");
      } else if (key == "args") {
        if (field.value().kind() != BindingKind::Collection) Throw(Fill(Problem::kNotList, "args"));
        request.arguments = field.value();
      } else {
        Throw(Fill(Problem::kUnknownKey, key, "method, path, args"));
      }
    }
  } else {
    Throw(Fill(Problem::kBadRequest, ValueText(entry)));
  }
  return request;
}

StepExpectations ReadExpectations(const BindingProperty& expect, StepKind kind) {
  if (expect.kind() != BindingKind::Structure) Throw("'expect' must be a mapping of status, value, failure, events, requests, logs");
  StepExpectations result;
  for (const BindingField& field : expect.Fields()) {
    const std::string_view key = field.name();
    const BindingProperty& value = field.value();
    if ((key == "status" || key == "value" || key == "failure") && kind != StepKind::Call) {
      Throw(Fill(Problem::kCallOnly, key));
    }
    if (key == "status") {
      if (value.kind() != BindingKind::Unsigned || value.GetUnsignedOr(0) < 100 || value.GetUnsignedOr(0) > 599) {
        Throw(std::string(Problem::kNotStatus));
      }
      result.status = static_cast<uint32_t>(value.GetUnsignedOr(0));
    } else if (key == "value") {
      result.value = value;
    } else if (key == "failure") {
      result.failure = TextOf(value, "failure");
    } else if (key == "events") {
      if (value.kind() != BindingKind::Collection) Throw(Fill(Problem::kNotList, "events"));
      result.events.emplace();
      for (const BindingProperty& entry : value.Elements()) result.events->push_back(ReadEvent(entry));
    } else if (key == "requests") {
      if (value.kind() != BindingKind::Collection) Throw(Fill(Problem::kNotList, "requests"));
      result.requests.emplace();
      for (const BindingProperty& entry : value.Elements()) result.requests->push_back(ReadRequest(entry));
    } else if (key == "logs") {
      if (value.kind() == BindingKind::Collection) {
        for (const BindingProperty& entry : value.Elements()) result.logs.push_back(TextOf(entry, "logs"));
      } else {
        result.logs.push_back(TextOf(value, "logs"));
      }
    } else {
      Throw(Fill(Problem::kUnknownKey, key, "status, value, failure, events, requests, logs"));
    }
  }
  return result;
}

std::string KnownResourcePaths() {
  std::string known;
  for (std::string_view path : SiblingResourcePaths()) {
    if (!known.empty()) known += ", ";
    known += path;
  }
  return known;
}

void ReadKindValue(ScenarioStep& step, const BindingProperty& value) {
  const std::string_view word = StepKindWord(step.kind);
  switch (step.kind) {
    case StepKind::SetResource:
    case StepKind::DeleteResource: {
      step.target = NonEmptyTextOf(value, word);
      bool known = false;
      for (std::string_view path : SiblingResourcePaths()) known = known || path == step.target;
      if (!known) Throw(Fill(Problem::kUnknownResource, step.target, KnownResourcePaths()));
      return;
    }
    case StepKind::LcdsMessage:
    case StepKind::ServiceReply:
      step.target = NonEmptyTextOf(value, word);
      return;
    case StepKind::Yield:
      if (value.IsEmpty()) return;
      if (!IsCount(value)) Throw(Fill(Problem::kNotCount, word));
      step.count = value.GetUnsignedOr(1);
      return;
    case StepKind::Tasks:
      return;
    case StepKind::Advance:
      if (value.kind() == BindingKind::Unsigned) {
        step.seconds = static_cast<double>(value.GetUnsignedOr(0));
      } else if (value.kind() == BindingKind::Float && value.GetFloatOr(-1.0) >= 0.0) {
        step.seconds = value.GetFloatOr(0.0);
      } else {
        Throw(Fill(Problem::kNotSeconds, word));
      }
      return;
    case StepKind::Call: {
      const std::string text = TextOf(value, word);
      auto [method, path] = MethodAndPath(text);
      if (method == 0) Throw(Fill(Problem::kBadCall, text));
      step.httpMethod = method;
      step.target = std::move(path);
      return;
    }
  }
}

void ReadKey(ScenarioStep& step, std::string_view key, const BindingProperty& value, bool& hasData) {
  if (key == "note") {
    step.note = TextOf(value, key);
  } else if (key == "settle") {
    if (value.kind() != BindingKind::Bool) Throw(Fill(Problem::kNotBool, key));
    step.settle = value.GetBoolOr(true);
  } else if (key == "expect") {
    step.expect = ReadExpectations(value, step.kind);
  } else if (!Listed(KeysOf(step.kind), key)) {
    std::string allowed(KeysOf(step.kind));
    if (!allowed.empty()) allowed += ", ";
    allowed += kCommonKeys;
    Throw(Fill(Problem::kUnknownKey, key, allowed));
  } else if (key == "data" || key == "body") {
    step.value = value;
    hasData = true;
  } else if (key == "args") {
    if (value.kind() != BindingKind::Collection) Throw(Fill(Problem::kNotList, key));
    step.value = value;
  } else if (key == "method") {
    step.method = NonEmptyTextOf(value, key);
  } else if (key == "payload") {
    // A text is the JSON text itself; anything else is written as JSON for it.
    step.reply.payload = value.kind() == BindingKind::String ? std::string(value.GetStringOr({})) : ValueText(value);
  } else if (key == "status") {
    step.reply.status = TextOf(value, key);
  } else if (key == "error") {
    step.reply.error = TextOf(value, key);
  } else if (key == "timing") {
    const std::string timing = TextOf(value, key);
    if (timing == "later") {
      step.timing = ReplyTiming::OnLaterYield;
    } else if (timing == "immediate") {
      step.timing = ReplyTiming::BeforeRequestReturns;
    } else {
      Throw(Fill(Problem::kBadTiming, timing));
    }
  }
}

ScenarioStep ReadStep(const BindingProperty& entry, std::size_t number, std::string& kindWord) {
  ScenarioStep step;
  step.number = number;
  if (entry.kind() == BindingKind::String) {
    const std::string_view word = entry.GetStringOr({});
    for (const auto& [kind, kindText] : kKindWords) {
      if (word == kindText && (kind == StepKind::Yield || kind == StepKind::Tasks)) {
        step.kind = kind;
        kindWord = kindText;
        return step;
      }
    }
    Throw(Fill(Problem::kNotAStep, ValueText(entry)));
  }
  if (entry.kind() != BindingKind::Structure) Throw(Fill(Problem::kNotAStep, ValueText(entry)));

  // The kind is the one key that names a kind: a mapping keeps no order of its keys.
  const BindingProperty* kindValue = nullptr;
  for (const BindingField& field : entry.Fields()) {
    for (const auto& [kind, kindText] : kKindWords) {
      if (field.name() != kindText) continue;
      if (kindValue != nullptr) Throw(Fill(Problem::kTwoKinds, kindWord, kindText));
      step.kind = kind;
      kindWord = kindText;
      kindValue = &field.value();
    }
  }
  if (kindValue == nullptr) Throw(Fill(Problem::kNotAStep, ValueText(entry)));
  ReadKindValue(step, *kindValue);

  bool hasData = false;
  for (const BindingField& field : entry.Fields()) {
    if (field.name() == kindWord) continue;
    ReadKey(step, field.name(), field.value(), hasData);
  }
  if (step.kind == StepKind::SetResource && !hasData) Throw(Fill(Problem::kMissing, "data"));
  if (step.kind == StepKind::LcdsMessage && !hasData) Throw(Fill(Problem::kMissing, "body"));
  if (step.kind == StepKind::ServiceReply && step.method.empty()) Throw(Fill(Problem::kMissing, "method"));
  if (step.kind == StepKind::Call && step.value.IsEmpty()) step.value.MakeCollection();
  return step;
}

// Reads one step and names it in the error: "step 3 (set): 'data' is missing".
bool ReadNamedStep(const BindingProperty& entry, std::size_t number, ScenarioStep& out, std::string& error) {
  std::string kindWord;
  try {
    out = ReadStep(entry, number, kindWord);
    return true;
  } catch (const StepError& problem) {
    error = "step " + std::to_string(number) + (kindWord.empty() ? "" : " (" + kindWord + ")") + ": " + problem.text;
    return false;
  }
}

}  // namespace

std::string_view StepKindWord(StepKind kind) {
  for (const auto& [each, word] : kKindWords) {
    if (each == kind) return word;
  }
  return {};
}

uint32_t HttpMethodCode(std::string_view word) {
  static constexpr std::array<std::string_view, 8> kWords = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};
  for (uint32_t code = 1; code < kWords.size(); ++code) {
    if (kWords[code] == word) return code;
  }
  return 0;
}

std::string_view HttpMethodWord(uint32_t code) {
  static constexpr std::array<std::string_view, 8> kWords = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};
  return code < kWords.size() ? kWords[code] : std::string_view{};
}

const std::vector<std::string_view>& SiblingResourcePaths() {
  static const std::vector<std::string_view> kPaths = {kLoginSessionPath, kLoginDataPacketPath, kGameFlowSessionPath,
                                                       kPlayerBehaviorConfigPath};
  return kPaths;
}

ScenarioParse ParseScenario(std::string_view yamlText) {
  ScenarioParse parse;
  BindingResult document = YamlLoad(yamlText);
  if (!document.ok()) {
    parse.error = Fill(Problem::kNotYaml, document.message());
    return parse;
  }
  return ParseScenarioValue(document.value());
}

ScenarioParse ParseScenarioValue(const BindingProperty& root) {
  ScenarioParse parse;
  const BindingProperty* steps = &root;
  if (root.kind() == BindingKind::Structure) {
    steps = nullptr;
    for (const BindingField& field : root.Fields()) {
      const std::string_view key = field.name();
      if (key == "steps") {
        steps = &field.value();
      } else if (key == "name" || key == "description") {
        if (field.value().kind() != BindingKind::String) {
          parse.error = Fill(Problem::kTopText, key);
          return parse;
        }
        (key == "name" ? parse.scenario.name : parse.scenario.description) = field.value().GetStringOr({});
      } else {
        parse.error = Fill(Problem::kUnknownTopKey, key);
        return parse;
      }
    }
  }
  if (steps == nullptr || steps->kind() != BindingKind::Collection) {
    parse.error = root.IsEmpty() ? std::string(Problem::kNoSteps) : std::string(Problem::kNotSteps);
    return parse;
  }
  if (steps->size() == 0) {
    parse.error = std::string(Problem::kNoSteps);
    return parse;
  }
  std::size_t number = 0;
  for (const BindingProperty& entry : steps->Elements()) {
    ScenarioStep step;
    if (!ReadNamedStep(entry, ++number, step, parse.error)) return parse;
    parse.scenario.steps.push_back(std::move(step));
  }
  return parse;
}

ScenarioParse ParseStepLine(std::string_view line, std::size_t number) {
  ScenarioParse parse;
  BindingResult document = YamlLoad(line);
  if (!document.ok()) {
    parse.error = Fill(Problem::kNotYaml, document.message());
    return parse;
  }
  return ParseStepValue(document.value(), number);
}

ScenarioParse ParseStepValue(const BindingProperty& entry, std::size_t number) {
  ScenarioParse parse;
  ScenarioStep step;
  if (ReadNamedStep(entry, number, step, parse.error)) parse.scenario.steps.push_back(std::move(step));
  return parse;
}

}  // namespace Vela::Host
