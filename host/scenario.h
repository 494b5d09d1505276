// A scenario: the steps a person plays against the plugin through the development host —
// what its sibling plugins publish, what the back end pushes and replies, calls of its REST
// functions — and what each step is expected to bring about. Scenarios are YAML files
// (docs/scenarios.md describes the format); the REPL reads the same steps one per line.
//
//   ScenarioParse parsed = ParseScenario(yamlText);
//   if (!parsed.ok()) return Fail(parsed.error);  // "step 3 (set): 'data' is missing"
//   for (const ScenarioStep& step : parsed.scenario.steps) ...
//
// Grammar (a step is a mapping whose first key names its kind; `yield` and `tasks` may also
// be written as bare words):
//   set: PATH            data: VALUE        a sibling's resource takes VALUE
//   delete: PATH                            a sibling's resource goes away
//   lcds: CLASS          body: VALUE        the back end pushes a message
//   service-reply: SERVICE  method: NAME  [payload: VALUE|JSON TEXT] [status:] [error:]
//                        [timing: later|immediate]
//   yield [: COUNT]                         the host runs its work due now, COUNT times
//   tasks                                   the host runs its loop until nothing is left
//   advance: SECONDS                        the host's clock moves on
//   call: "METHOD PATH"  [args: [VALUE...]] one of the plugin's REST functions is called
// Every step may also carry `note:` (a line shown with it), `settle:` (false leaves the
// host's loop alone after the step; by default it runs until idle) and `expect:`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "login_plugin.h"

namespace Vela::Host {

enum class StepKind {
  SetResource,
  DeleteResource,
  LcdsMessage,
  ServiceReply,
  Yield,
  Tasks,
  Advance,
  Call,
};

// The word that starts a step of this kind in a scenario ("set", "service-reply", ...).
std::string_view StepKindWord(StepKind kind);

// One resource event the step must have fired. Empty texts match anything; `data`, when
// given, must hold as a subset of the event's data (see value_subset.h).
struct EventExpectation {
  std::string name;       // one of the event names it was fired under
  std::string eventType;  // "Create", "Update", "Delete"
  std::string uri;
  std::optional<BindingProperty> data;
};

// One request the step must have made to a sibling.
struct RequestExpectation {
  uint32_t method = 0;  // 0: any
  std::string path;
  std::optional<BindingProperty> arguments;  // a subset of the collection of arguments
};

struct StepExpectations {
  std::optional<uint32_t> status;
  std::optional<BindingProperty> value;  // a subset of the answer's value
  std::optional<std::string> failure;    // the answer's exact failure message
  // In this order among what the step fired (others may come between); an empty list
  // expects that nothing was fired.
  std::optional<std::vector<EventExpectation>> events;
  std::optional<std::vector<RequestExpectation>> requests;
  std::vector<std::string> logs;  // each a part of some forwarded log line

  [[nodiscard]] bool empty() const {
    return !status && !value && !failure && !events && !requests && logs.empty();
  }
};

struct ScenarioStep {
  std::size_t number = 0;  // from 1, in the file's order
  StepKind kind = StepKind::Yield;
  std::string target;     // set, delete: the resource path; lcds: the class; service-reply: the
                          // service; call: the path
  BindingProperty value;  // set: the data; lcds: the body; call: the arguments (a collection)
  std::string method;     // service-reply: the service's method
  ServiceProxyReply reply;
  ReplyTiming timing = ReplyTiming::OnLaterYield;
  uint32_t httpMethod = 2;  // call
  double seconds = 0.0;     // advance
  uint64_t count = 1;       // yield
  bool settle = true;
  std::string note;
  StepExpectations expect;
};

struct Scenario {
  std::string name;
  std::string description;
  std::vector<ScenarioStep> steps;
};

struct [[nodiscard]] ScenarioParse {
  Scenario scenario;
  std::string error;  // empty when the text is a valid scenario
  [[nodiscard]] bool ok() const { return error.empty(); }
};

// The resource paths that the host's simulated siblings serve, which `set` and `delete`
// may name.
const std::vector<std::string_view>& SiblingResourcePaths();

// A scenario file: either a list of steps, or a mapping with `steps:` (a list) and optional
// `name:` and `description:` texts. The error names the step and the problem.
ScenarioParse ParseScenario(std::string_view yamlText);
// The same from a document already decoded (a JSON body, say).
ScenarioParse ParseScenarioValue(const BindingProperty& document);

// One step as typed on a line of the REPL ("call: GET /arx-player-behavior/v1/ban",
// "yield"), numbered `number`.
ScenarioParse ParseStepLine(std::string_view line, std::size_t number);
// One step from a decoded value (a mapping, or the bare words "yield" and "tasks").
ScenarioParse ParseStepValue(const BindingProperty& entry, std::size_t number);

// HttpMethod codes and their words (DELETE 1, GET 2, HEAD 3, OPTIONS 4, PATCH 5, POST 6,
// PUT 7); 0 and "" for anything else.
uint32_t HttpMethodCode(std::string_view word);
std::string_view HttpMethodWord(uint32_t code);

}  // namespace Vela::Host
