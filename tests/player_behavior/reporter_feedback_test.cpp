// Reporter feedback through the real plugin: arrival in every phase, visibility of the list
// and of GET by id, DELETE with its acknowledgement, and the silent clearing at login.
#include <string>

#include "plugin_scenario.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

std::vector<uint64_t> ListIds(const BindingProperty& list) {
  std::vector<uint64_t> ids;
  for (const BindingProperty& entry : list.Elements()) ids.push_back(IdOf(entry));
  return ids;
}

class ReporterFeedback : public PluginScenario {
 protected:
  void SetUp() override {
    PluginScenario::SetUp();
    Start();
  }
  std::vector<uint64_t> VisibleIds() {
    const CallResult list = Get("/arx-player-behavior/v1/reporter-feedback");
    EXPECT_FALSE(list.failed) << list.error;
    return ListIds(list.value);
  }
};

TEST_F(ReporterFeedback, EntriesArriveInEveryPhaseButAreListedOnlyOutOfGames) {
  SetPhase("InProgress");
  Mark();
  PushSimple("tribunal.reporter.feedback", "m1");
  PushSimple("tribunal.previous_reporter.feedback", "m2");
  PushSimple("tribunal.cheating.feedback", "m3");
  PushSimple("tribunal.other.feedback", "m4");
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/1",
                                        "Create /arx-player-behavior/v1/reporter-feedback/2",
                                        "Create /arx-player-behavior/v1/reporter-feedback/3"));
  EXPECT_EQ(WriteJson(Events()[1].data), R"({"id":2,"type":"tribunal.previous_reporter.feedback"})");
  EXPECT_THAT(VisibleIds(), IsEmpty());
  // During a game every id answers an empty entry, read or not.
  for (std::string_view id : {"1", "99", "abc"}) {
    SCOPED_TRACE(id);
    const CallResult entry = Get(std::string(kFeedbackPrefix) + std::string(id));
    EXPECT_FALSE(entry.failed) << entry.error;
    EXPECT_EQ(WriteJson(entry.value), R"({"id":0,"type":""})");
  }

  struct Case {
    int line;
    std::string phase;
    std::vector<uint64_t> listed;
  };
  const Case cases[] = {
      {__LINE__, "Lobby", {1, 2, 3}},     {__LINE__, "ChampSelect", {}}, {__LINE__, "EndOfGame", {1, 2, 3}},
      {__LINE__, "WaitingForStats", {}}, {__LINE__, "None", {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Mark();
    SetPhase(c.phase);
    // Each phase report republishes the visible list under the trailing-slash path.
    ASSERT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/"));
    EXPECT_EQ(ListIds(Events()[0].data), c.listed);
    EXPECT_EQ(VisibleIds(), c.listed);
  }
}

TEST_F(ReporterFeedback, GetByIdReadsTheIdentifierInVisiblePhases) {
  PushSimple("tribunal.reporter.feedback", "m1");
  PushSimple("tribunal.reporter.feedback", "m2");
  struct Case {
    int line;
    std::string id;
    uint32_t status;  // 0: success
    std::string answer;
  };
  const Case cases[] = {
      {__LINE__, "2", 0, R"({"id":2,"type":"tribunal.reporter.feedback"})"},
      {__LINE__, "2abc", 0, R"({"id":2,"type":"tribunal.reporter.feedback"})"},
      {__LINE__, "%20%2B1", 0, R"({"id":1,"type":"tribunal.reporter.feedback"})"},
      {__LINE__, "3", 404, "Not found"},
      {__LINE__, "-1", 404, "Not found"},
      {__LINE__, "abc", 400, "invalid stoi argument"},
      {__LINE__, "2147483648", 400, "stoi argument out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Mark();
    const CallResult entry = Get(std::string(kFeedbackPrefix) + c.id);
    ASSERT_TRUE(entry.found);
    EXPECT_THAT(EventLines(), IsEmpty());
    if (c.status == 0) {
      EXPECT_FALSE(entry.failed) << entry.error;
      EXPECT_EQ(WriteJson(entry.value), c.answer);
    } else {
      EXPECT_TRUE(entry.failed);
      EXPECT_EQ(entry.status, c.status);
      EXPECT_EQ(entry.error, c.answer);
    }
  }
}

TEST_F(ReporterFeedback, DeleteMovesTheLastEntryIntoPlaceAndAcknowledges) {
  SetLoginDataPacket(R"({"allSummonerData":{"summoner":{"acctId":5}}})");
  PushSimple("tribunal.reporter.feedback", "m1");
  PushSimple("tribunal.cheating.feedback", "m2");
  PushSimple("tribunal.reporter.feedback", "m3");
  SetPhase("InProgress");  // deletion works in every phase

  Mark();
  const CallResult deleted = Delete(std::string(kFeedbackPrefix) + "1");
  ASSERT_FALSE(deleted.failed) << deleted.error;
  EXPECT_EQ(WriteJson(deleted.value), R"({"id":1,"type":"tribunal.reporter.feedback"})");
  EXPECT_THAT(EventLines(), ElementsAre("Delete /arx-player-behavior/v1/reporter-feedback/1"));
  ASSERT_THAT(login_->invocations(), SizeIs(1));
  const BindingProperty& ack = login_->invocations()[0].arguments.ElementOrEmpty(0);
  EXPECT_EQ(TextOf(ack, "msgId"), "m1");
  EXPECT_EQ(TextOf(ack, "command"), "ack");
  EXPECT_EQ(ack.FieldOrEmpty("accountId").AsUnsigned(), 5u);

  SetPhase("Lobby");
  EXPECT_THAT(VisibleIds(), ElementsAre(3, 2));

  // Unknown or unreadable identifiers change nothing and acknowledge nothing.
  struct Case {
    int line;
    std::string id;
    uint32_t status;
    std::string error;
  };
  const Case cases[] = {
      {__LINE__, "1", 404, "Not found"},
      {__LINE__, "x1", 400, "invalid stoi argument"},
      {__LINE__, "99999999999", 400, "stoi argument out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Mark();
    const CallResult refused = Delete(std::string(kFeedbackPrefix) + c.id);
    EXPECT_TRUE(refused.failed);
    EXPECT_EQ(refused.status, c.status);
    EXPECT_EQ(refused.error, c.error);
    EXPECT_THAT(EventLines(), IsEmpty());
    EXPECT_THAT(login_->invocations(), SizeIs(1));
    EXPECT_THAT(VisibleIds(), ElementsAre(3, 2));
  }

  // A failed acknowledgement does not keep the entry.
  login_->FailInvokes(500, "down");
  EXPECT_FALSE(Delete(std::string(kFeedbackPrefix) + "3").failed);
  EXPECT_THAT(login_->invocations(), SizeIs(2));
  EXPECT_THAT(VisibleIds(), ElementsAre(2));
}

TEST_F(ReporterFeedback, ALoginDataPacketReplacesTheEntriesSilently) {
  PushSimple("tribunal.reporter.feedback", "old");
  Mark();
  SetLoginDataPacket(R"({"simpleMessages":[{"msgId":"n1","type":"tribunal.reporter.feedback"},)"
                     R"({"msgId":"n2","type":"tribunal.cheating.feedback","params":[]}]})");
  // No deletion for the dropped entry; the replayed ones get new identifiers.
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/2",
                                        "Create /arx-player-behavior/v1/reporter-feedback/3"));
  EXPECT_THAT(VisibleIds(), ElementsAre(2, 3));
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
