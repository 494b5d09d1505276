// Scenario files: what the parser accepts, and the step and problem it names otherwise.
#include "scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "value_subset.h"

namespace Vela::Host {
namespace {


TEST(ScenarioParseTest, BadScenariosNameTheStepAndTheProblem) {
  struct Case {
    int line;
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {__LINE__, "- sett: /x\n", "step 1: {\"sett\":\"/x\"} is not a step; a step is one of: set, delete, lcds, service-reply, yield, tasks, advance, call"},
      {__LINE__, "- set: /arx-login/v1/session\n", "step 1 (set): 'data' is missing"},
      {__LINE__, "- yield\n- tasks\n- lcds: com.example.Message\n", "step 3 (lcds): 'body' is missing"},
      {__LINE__, "- set: /nowhere\n  data: 1\n",
       "step 1 (set): no simulated sibling serves '/nowhere' (known: /arx-login/v1/session, "
       "/arx-login/v1/login-data-packet, /arx-gameflow/v1/session, /arx-platform-config/v1/namespaces/PlayerBehavior)"},
      {__LINE__, "- set: /arx-gameflow/v1/session\n  data: {}\n  dta: 2\n",
       "step 1 (set): unknown key 'dta' (allowed: data, note, settle, expect)"},
      {__LINE__, "- call: FETCH /x\n",
       "step 1 (call): 'call' must be \"METHOD /path\" (METHOD: GET, POST, PUT, PATCH, DELETE, HEAD, OPTIONS), not 'FETCH /x'"},
      {__LINE__, "- call: GET /x\n  expect: {status: 99}\n", "step 1 (call): 'status' must be an HTTP status code (100 to 599)"},
      {__LINE__, "- lcds: C\n  body: {}\n  expect: {status: 200}\n", "step 1 (lcds): 'expect: status' applies to call steps only"},
      {__LINE__, "- call: GET /x\n  expect: {events: [Created /x]}\n", "step 1 (call): an event type is Create, Update or Delete, not 'Created'"},
      {__LINE__, "- call: GET /x\n  expect: {events: [42]}\n",
       "step 1 (call): an event in 'expect: events' is \"TYPE /uri\" or a mapping of name, type, uri, data; not 42"},
      {__LINE__, "- call: GET /x\n  expect: {requests: [FETCH /x]}\n",
       "step 1 (call): a request in 'expect: requests' is \"METHOD /path\" or a mapping of method, path, args; not \"FETCH /x\""},
      {__LINE__, "- call: GET /x\n  expect: {sttus: 200}\n",
       "step 1 (call): unknown key 'sttus' (allowed: status, value, failure, events, requests, logs)"},
      {__LINE__, "- call: GET /x\n  args: 3\n", "step 1 (call): 'args' must be a list"},
      {__LINE__, "- yield: 0\n", "step 1 (yield): 'yield' must be a whole number of at least 1"},
      {__LINE__, "- advance: -1\n", "step 1 (advance): 'advance' must be a number of seconds, 0 or more"},
      {__LINE__, "- service-reply: s\n  method: m\n  timing: soon\n", "step 1 (service-reply): 'timing' must be 'later' or 'immediate', not 'soon'"},
      {__LINE__, "- {delete: /arx-login/v1/session, set: /arx-login/v1/session}\n",
       "step 1 (delete): one step has two kinds, 'delete' and 'set' (is a '- ' missing?)"},
      {__LINE__, "- call: GET /x\n  settle: maybe\n", "step 1 (call): 'settle' must be true or false"},
      {__LINE__, "steps: []\n", "the scenario has no steps"},
      {__LINE__, "name: only a name\n", "a scenario is a list of steps, or a mapping with a list under 'steps'"},
      {__LINE__, "name: x\nsteps: [yield]\nauthor: me\n", "unknown key 'author' at the top (allowed: name, description, steps)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ScenarioParse parse = ParseScenario(c.text);
    EXPECT_FALSE(parse.ok());
    EXPECT_EQ(parse.error, c.error);
  }
}

TEST(ScenarioParseTest, ReadsEveryStepKind) {
  ScenarioParse parse = ParseScenario(R"(
name: all kinds
description: one of each
steps:
  - set: /arx-gameflow/v1/session
    data: {phase: Lobby}
    note: in the lobby
  - delete: /arx-login/v1/session
    settle: false
  - lcds: com.example.Message
    body: {reason: R}
  - service-reply: toxicfeedback.server
    method: getReformCard
    payload: [{punishmentType: T}]
    status: FAILED
    error: down
    timing: immediate
  - service-reply: toxicfeedback.server
    method: getReformCardV2
    payload: '{"id": 1}'
  - yield
  - yield: 3
  - tasks
  - advance: 2.5
  - call: DELETE /arx-player-behavior/v1/reporter-feedback/1
    args: [1, two]
    expect:
      status: 200
      value: {id: 1}
      failure: nope
      events: [Delete /a, {name: OnJsonApiEvent, type: Create, uri: /b, data: {x: 1}}]
      requests: [POST /c, {method: GET, path: /d, args: [1]}]
      logs: part
  - call: /arx-player-behavior/v1/ban
)");
  ASSERT_TRUE(parse.ok()) << parse.error;
  const Scenario& scenario = parse.scenario;
  EXPECT_EQ(scenario.name, "all kinds");
  ASSERT_EQ(scenario.steps.size(), 11u);
  const auto& s = scenario.steps;
  EXPECT_EQ(s[0].kind, StepKind::SetResource);
  EXPECT_EQ(s[0].target, "/arx-gameflow/v1/session");
  EXPECT_EQ(ValueText(s[0].value), R"({"phase":"Lobby"})");
  EXPECT_EQ(s[0].note, "in the lobby");
  EXPECT_EQ(s[1].kind, StepKind::DeleteResource);
  EXPECT_FALSE(s[1].settle);
  EXPECT_EQ(s[3].method, "getReformCard");
  EXPECT_EQ(s[3].reply.payload, R"([{"punishmentType":"T"}])") << "a YAML value is written as JSON";
  EXPECT_EQ(s[3].reply.status, "FAILED");
  EXPECT_EQ(s[3].reply.error, "down");
  EXPECT_EQ(s[3].timing, ReplyTiming::BeforeRequestReturns);
  EXPECT_EQ(s[4].reply.payload, R"({"id": 1})") << "a text is the JSON itself";
  EXPECT_EQ(s[4].reply.status, "OK");
  EXPECT_EQ(s[4].timing, ReplyTiming::OnLaterYield);
  EXPECT_EQ(s[5].count, 1u);
  EXPECT_EQ(s[6].count, 3u);
  EXPECT_EQ(s[8].kind, StepKind::Advance);
  EXPECT_DOUBLE_EQ(s[8].seconds, 2.5);
  const ScenarioStep& call = s[9];
  EXPECT_EQ(call.httpMethod, 1u);
  EXPECT_EQ(call.target, "/arx-player-behavior/v1/reporter-feedback/1");
  EXPECT_EQ(ValueText(call.value), R"([1,"two"])");
  EXPECT_EQ(call.expect.status, 200u);
  EXPECT_EQ(call.expect.failure, "nope");
  ASSERT_TRUE(call.expect.events.has_value());
  ASSERT_EQ(call.expect.events->size(), 2u);
  EXPECT_EQ((*call.expect.events)[0].eventType, "Delete");
  EXPECT_FALSE((*call.expect.events)[0].data.has_value());
  EXPECT_EQ((*call.expect.events)[1].name, "OnJsonApiEvent");
  EXPECT_EQ(ValueText(*(*call.expect.events)[1].data), R"({"x":1})");
  ASSERT_TRUE(call.expect.requests.has_value());
  EXPECT_EQ((*call.expect.requests)[0].method, 6u);
  EXPECT_EQ((*call.expect.requests)[1].method, 2u);
  EXPECT_EQ(ValueText(*(*call.expect.requests)[1].arguments), "[1]");
  EXPECT_EQ(call.expect.logs, std::vector<std::string>{"part"});
  EXPECT_EQ(s[10].httpMethod, 2u) << "a path alone is a GET";
  EXPECT_EQ(ValueText(s[10].value), "[]");
  for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s[i].number, i + 1);
}

// Every step shown in docs/scenarios.md (an indented block that starts with "- ") is a
// valid scenario, so the documentation cannot drift from the parser.
TEST(ScenarioDocumentationTest, EveryExampleInTheFormatDocumentParses) {
  std::ifstream file(ARX_SCENARIO_DOC);
  // A cross build's tests may run where the source tree is not at this path.
  if (!file) GTEST_SKIP() << ARX_SCENARIO_DOC << " cannot be read here";
  std::vector<std::string> blocks;
  std::string block;
  bool inBlock = false;
  for (std::string line; std::getline(file, line);) {
    const bool indented = line.rfind("    ", 0) == 0;
    if (!inBlock && indented && line.rfind("    - ", 0) == 0) inBlock = true;
    if (inBlock && indented) {
      block += line.substr(4) + "\n";
      continue;
    }
    if (inBlock) blocks.push_back(block);
    block.clear();
    inBlock = false;
  }
  std::set<StepKind> kinds;
  for (const std::string& text : blocks) {
    SCOPED_TRACE(text);
    ScenarioParse parse = ParseScenario(text);
    EXPECT_TRUE(parse.ok()) << parse.error;
    for (const ScenarioStep& step : parse.scenario.steps) kinds.insert(step.kind);
  }
  EXPECT_EQ(kinds.size(), 8u) << "an example of every step kind";
}

}  // namespace
}  // namespace Vela::Host
