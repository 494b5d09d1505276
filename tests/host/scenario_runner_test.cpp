// Checking a step's expectations against what it brought about, the reports of steps, and a
// session against the real plugin library.
#include "scenario_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "codecs/json.h"
#include "read_back.h"
#include "scenario_report.h"
#include "value_subset.h"

namespace Vela::Host {
namespace {

using ::testing::ElementsAre;
using Testing::Json;

FiredEvent Event(const char* type, const char* uri, const char* data) {
  FiredEvent event;
  event.names = {"OnJsonApiEvent_x", "OnJsonApiEvent"};
  event.eventType = type;
  event.uri = uri;
  event.data = Json(data);
  return event;
}

// A ban replaced: Delete then Create; a notification and an acknowledgement; two log lines.
StepOutcome SampleOutcome() {
  StepOutcome outcome;
  outcome.number = 3;
  outcome.title = "call GET /arx-player-behavior/v1/ban";
  outcome.events = {Event("Delete", "/b", "null"), Event("Create", "/b", R"({"id":2,"reason":"Leaver"})")};
  SentRequest notification{6, "/n", Json(R"([{"titleKey":"t"}])"), 200, ""};
  SentRequest ack{6, "/i", Json(R"(["d","op",[{"msgId":"m"}]])"), 500, "down"};
  outcome.requests = {notification, ack};
  outcome.logs = {{3, "Player banned USER_BANNED: x"}, {3, "second line"}};
  outcome.order = {{DoneKind::Event, 0}, {DoneKind::Log, 0}, {DoneKind::Request, 0},
                   {DoneKind::Event, 1}, {DoneKind::Request, 1}, {DoneKind::Log, 1}};
  CallAnswer answer;
  answer.found = true;
  answer.status = 200;
  answer.value = Json(R"({"id":2,"reason":"Leaver"})");
  outcome.answer = answer;
  return outcome;
}

StepExpectations Expect(const char* yamlStep) {
  ScenarioParse parse = ParseStepLine(yamlStep, 1);
  EXPECT_TRUE(parse.ok()) << parse.error;
  return parse.ok() ? parse.scenario.steps[0].expect : StepExpectations{};
}

TEST(CheckExpectationsTest, UnmetExpectationsSayWhatWasFound) {
  struct Case {
    int line;
    const char* step;
    std::vector<std::string> unmet;
  };
  const Case cases[] = {
      {__LINE__, "{call: GET /x, expect: {status: 200, value: {reason: Leaver}}}", {}},
      {__LINE__, "{call: GET /x, expect: {status: 404}}", {"status: expected 404, found 200 {\"id\":2,\"reason\":\"Leaver\"}"}},
      {__LINE__, "{call: GET /x, expect: {value: {reason: Banned}}}", {"at value.reason: expected \"Banned\", found \"Leaver\""}},
      {__LINE__, "{call: GET /x, expect: {failure: Not found}}",
       {"failure: expected \"Not found\", but the call succeeded: 200 {\"id\":2,\"reason\":\"Leaver\"}"}},
      // Events in order, with others between them allowed.
      {__LINE__, "{call: GET /x, expect: {events: [Delete /b, Create /b]}}", {}},
      {__LINE__, "{call: GET /x, expect: {events: [Create /b, Delete /b]}}",
       {"events: expected Delete /b after the events matched before it, found Delete /b, Create /b"}},
      {__LINE__, "{call: GET /x, expect: {events: [{type: Create, uri: /b, data: {id: 3}}]}}",
       {"events: expected Create /b with data {\"id\":3}: at data.id: expected 3, found 2"}},
      {__LINE__, "{call: GET /x, expect: {events: [{name: OnJsonApiEvent, uri: /b}]}}", {}},
      {__LINE__, "{call: GET /x, expect: {events: [{name: OnOther, uri: /b}]}}",
       {"events: expected any event /b (as OnOther), found Delete /b, Create /b"}},
      {__LINE__, "{call: GET /x, expect: {events: []}}", {"events: expected none, found Delete /b, Create /b"}},
      {__LINE__, "{call: GET /x, expect: {requests: [{path: /i, args: [d, op, [{msgId: m}]]}]}}", {}},
      {__LINE__, "{call: GET /x, expect: {requests: [{path: /i, args: [d, op, [{msgId: other}]]}]}}",
       {"requests: expected any method /i: at args[2][0].msgId: expected \"other\", found \"m\""}},
      {__LINE__, "{call: GET /x, expect: {requests: [GET /n]}}", {"requests: expected GET /n, found POST /n, POST /i"}},
      {__LINE__, "{call: GET /x, expect: {requests: []}}", {"requests: expected none, found POST /n, POST /i"}},
      {__LINE__, "{call: GET /x, expect: {logs: [third]}}", {"logs: no forwarded line contains \"third\""}},
      // Every unmet expectation is reported, not only the first.
      {__LINE__, "{call: GET /x, expect: {status: 500, logs: nothing}}",
       {"status: expected 500, found 200 {\"id\":2,\"reason\":\"Leaver\"}", "logs: no forwarded line contains \"nothing\""}},
  };
  const StepOutcome outcome = SampleOutcome();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(CheckExpectations(Expect(c.step), outcome), c.unmet);
  }
}

TEST(CheckExpectationsTest, AFailedAnswerAgainstValueAndFailure) {
  StepOutcome outcome = SampleOutcome();
  outcome.answer->failed = true;
  outcome.answer->status = 404;
  outcome.answer->failure = "Not found";
  EXPECT_THAT(CheckExpectations(Expect("{call: GET /x, expect: {status: 404, failure: Not found}}"), outcome),
              ElementsAre());
  EXPECT_THAT(CheckExpectations(Expect("{call: GET /x, expect: {failure: Gone}}"), outcome),
              ElementsAre("failure: expected \"Gone\", found \"Not found\""));
  EXPECT_THAT(CheckExpectations(Expect("{call: GET /x, expect: {value: {}}}"), outcome),
              ElementsAre("value: expected {}, but the call failed: 404 \"Not found\""));
}

TEST(ReportWriterTest, CompactFormKeepsTheOrderOfWhatHappened) {
  StepOutcome outcome = SampleOutcome();
  outcome.note = "a note";
  outcome.expectations = 2;
  outcome.unmet = {"status: expected 404, found 200"};
  std::ostringstream out;
  ReportWriter report(out, ReportForm::Compact);
  report.Step(outcome);
  report.Summary("sample");
  EXPECT_EQ(out.str(),
            "[3] call GET /arx-player-behavior/v1/ban\n"
            "    # a note\n"
            "    event    Delete /b\n"
            "    log      Player banned USER_BANNED: x\n"
            "    request  POST /n [{\"titleKey\":\"t\"}]  -> 200\n"
            "    event    Create /b {\"id\":2,\"reason\":\"Leaver\"}\n"
            "    request  POST /i [\"d\",\"op\",[{\"msgId\":\"m\"}]]  -> 500 \"down\"\n"
            "    log      second line\n"
            "    answer   200 {\"id\":2,\"reason\":\"Leaver\"}\n"
            "    FAILED   status: expected 404, found 200\n"
            "\n"
            "sample: 1 step, 2 expectations, 1 did not hold\n");
  EXPECT_FALSE(report.allHeld());
}

TEST(ReportWriterTest, JsonLinesAreOneObjectEach) {
  StepOutcome outcome = SampleOutcome();
  outcome.expectations = 1;
  std::ostringstream out;
  ReportWriter report(out, ReportForm::JsonLines);
  report.Step(outcome);
  report.Summary("sample");
  std::istringstream lines(out.str());
  std::vector<std::string> types;
  for (std::string line; std::getline(lines, line);) {
    BindingResult record = ParseJson(line);
    ASSERT_TRUE(record.ok()) << line;
    types.emplace_back(record.value().FieldOrEmpty("type").GetStringOr({}));
    if (types.back() == "event" && types.size() == 2) {
      EXPECT_EQ(line, R"({"data":null,"eventType":"Delete","names":["OnJsonApiEvent_x","OnJsonApiEvent"],"step":3,"type":"event","uri":"/b"})");
    }
    if (types.back() == "summary") {
      EXPECT_EQ(line, R"({"expectations":1,"passed":true,"scenario":"sample","steps":1,"type":"summary","unmet":0})");
    }
  }
  EXPECT_THAT(types, ElementsAre("step", "event", "log", "request", "event", "request", "log", "answer", "check", "summary"));
  EXPECT_TRUE(report.allHeld());
}

// --- Against the plugin library. ---

ScenarioStep Step(const char* line) {
  ScenarioParse parse = ParseStepLine(line, 1);
  EXPECT_TRUE(parse.ok()) << parse.error;
  return parse.ok() ? parse.scenario.steps[0] : ScenarioStep{};
}

// The login data packet makes the plugin wait for its reform card; a back-end service with
// no configured reply must end that wait with a failure instead of hanging the host.
TEST(ScenarioSessionTest, AWaitOnASilentServiceEndsWithItsFailure) {
  ScenarioSession session;
  ASSERT_EQ(session.Open(ARX_PLUGIN_LIBRARY), "");
  session.Run(Step("{set: /arx-platform-config/v1/namespaces/PlayerBehavior, data: {ReformCardV2Enabled: false}}"));
  session.Run(Step("{set: /arx-gameflow/v1/session, data: {phase: None}}"));
  session.Run(Step("{set: /arx-login/v1/login-data-packet, data: {allSummonerData: {summoner: {acctId: 7}}, "
                   "restrictedChatGamesRemaining: 4}}"));
  EXPECT_EQ(session.host().waitDepth(), 0u);
  const auto& requests = session.login().serviceProxyRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].service, "toxicfeedback.server");
  // The chat restriction the packet announced is held all the same, without a reform card.
  StepOutcome chat = session.Run(Step("{call: GET /arx-player-behavior/v1/chat-restriction, "
                                      "expect: {value: {gamesRemaining: 4, displayReformCard: false}}}"));
  EXPECT_TRUE(chat.held());
  EXPECT_EQ(chat.expectations, 1u);
}

TEST(ScenarioSessionTest, AChangeFiredUnderTwoNamesIsOneEventInOrderWithTheLogs) {
  ScenarioSession session;
  ASSERT_EQ(session.Open(ARX_PLUGIN_LIBRARY), "");
  StepOutcome outcome = session.Run(Step(
      "{lcds: com.velaworks.platform.messaging.ForcedClientShutdown, body: {reason: USER_SUSPENDED, additionalInfo: x}}"));
  ASSERT_EQ(outcome.events.size(), 1u);
  EXPECT_THAT(outcome.events[0].names, ElementsAre("OnJsonApiEvent_arx-player-behavior_v1_ban", "OnJsonApiEvent"));
  EXPECT_EQ(outcome.events[0].eventType, "Create");
  EXPECT_EQ(outcome.events[0].uri, "/arx-player-behavior/v1/ban");
  EXPECT_EQ(SubsetMismatch(Json(R"({"reason":"Banned","source":"ForcedShutdown"})"), outcome.events[0].data, "data"), "");
  ASSERT_EQ(outcome.order.size(), 2u);
  EXPECT_EQ(outcome.order[0].kind, DoneKind::Log) << "the ban is logged before it is published";
  EXPECT_EQ(outcome.order[1].kind, DoneKind::Event);
}

TEST(ScenarioSessionTest, WithoutSettlingTheStepsWorkWaitsForTheLoop) {
  ScenarioSession session;
  ASSERT_EQ(session.Open(ARX_PLUGIN_LIBRARY), "");
  StepOutcome unsettled = session.Run(Step("{set: /arx-platform-config/v1/namespaces/PlayerBehavior, data: {ReformCardV2Enabled: true}, settle: false}"));
  EXPECT_TRUE(unsettled.events.empty()) << "the sibling's change is still on the loop";
  StepOutcome drained = session.Run(Step("{tasks, expect: {events: [Create /arx-player-behavior/v1/config]}}"));
  EXPECT_TRUE(drained.held()) << ::testing::PrintToString(drained.unmet);
}

}  // namespace
}  // namespace Vela::Host
