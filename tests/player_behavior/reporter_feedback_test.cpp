// Reporter feedback against a fake host: arrival in every phase, visibility of the list and
// of GET by id, DELETE with its acknowledgement, and the silent clearing at login.
#include <string>

#include "fake_host.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Api::GameflowPhase;

std::vector<uint64_t> Ids(const std::vector<Api::ReporterFeedback>& entries) {
  std::vector<uint64_t> ids;
  for (const Api::ReporterFeedback& entry : entries) ids.push_back(entry.id);
  return ids;
}

class ReporterFeedback : public ServiceTest {
 protected:
  std::vector<uint64_t> VisibleIds() const { return Ids(service_.VisibleReporterFeedback()); }
};

TEST_F(ReporterFeedback, EntriesArriveInEveryPhaseButAreListedOnlyOutOfGames) {
  SetPhase(GameflowPhase::InProgress);
  host_.TakeEffects();
  Message("tribunal.reporter.feedback", "m1");
  Message("tribunal.previous_reporter.feedback", "m2");
  Message("tribunal.cheating.feedback", "m3");
  Message("tribunal.other.feedback", "m4");
  EXPECT_THAT(host_.TakeEffects(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/1",
                                               "Create /arx-player-behavior/v1/reporter-feedback/2",
                                               "Create /arx-player-behavior/v1/reporter-feedback/3"));
  EXPECT_THAT(VisibleIds(), IsEmpty());
  // During a game every id answers an empty entry, read or not.
  for (const std::string id : {"1", "99", "abc"}) {
    SCOPED_TRACE(id);
    const RestResult<Api::ReporterFeedback> entry = service_.GetReporterFeedback(id);
    ASSERT_TRUE(entry.result.ok());
    EXPECT_EQ(entry.result.value().id, 0u);
    EXPECT_EQ(entry.result.value().type, "");
  }

  struct Case {
    int line;
    GameflowPhase phase;
    std::vector<uint64_t> listed;
  };
  const Case cases[] = {
      {__LINE__, GameflowPhase::Lobby, {1, 2, 3}},      {__LINE__, GameflowPhase::ChampSelect, {}},
      {__LINE__, GameflowPhase::EndOfGame, {1, 2, 3}},  {__LINE__, GameflowPhase::WaitingForStats, {}},
      {__LINE__, GameflowPhase::None, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    SetPhase(c.phase);
    // Each phase report republishes the visible list under the trailing-slash path.
    EXPECT_THAT(host_.TakeEffects(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/"));
    EXPECT_EQ(Ids(host_.lastList), c.listed);
    EXPECT_EQ(VisibleIds(), c.listed);
  }
}

TEST_F(ReporterFeedback, GetByIdReadsTheIdentifierInVisiblePhases) {
  Message("tribunal.reporter.feedback", "m1");
  Message("tribunal.cheating.feedback", "m2");
  host_.TakeEffects();
  struct Case {
    int line;
    std::string id;
    uint32_t status;  // 0: success
    std::string answer;  // the entry's type or the failure's message
  };
  const Case cases[] = {
      {__LINE__, "2", 0, "tribunal.cheating.feedback"},
      {__LINE__, " +1", 0, "tribunal.reporter.feedback"},
      {__LINE__, "3", 404, "Not found"},
      {__LINE__, "-1", 404, "Not found"},
      {__LINE__, "abc", 400, "invalid stoi argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const RestResult<Api::ReporterFeedback> entry = service_.GetReporterFeedback(c.id);
    EXPECT_EQ(entry.status, c.status);
    EXPECT_EQ(entry.result.ok() ? entry.result.value().type : std::string(entry.result.message()), c.answer);
  }
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
}

TEST_F(ReporterFeedback, DeleteMovesTheLastEntryIntoPlaceAndAcknowledges) {
  Packet(R"({"allSummonerData":{"summoner":{"acctId":5}}})");
  Message("tribunal.reporter.feedback", "m1");
  Message("tribunal.cheating.feedback", "m2");
  Message("tribunal.reporter.feedback", "m3");
  SetPhase(GameflowPhase::InProgress);  // deletion works in every phase
  host_.TakeEffects();

  const RestResult<Api::ReporterFeedback> deleted = service_.DeleteReporterFeedbackAndWait("1");
  ASSERT_TRUE(deleted.result.ok());
  EXPECT_EQ(deleted.result.value().msgId, "m1");
  // Acknowledged before the deletion is published.
  EXPECT_THAT(host_.TakeEffects(), ElementsAre("invoke clientFacadeService.callPersistenceMessaging m1",
                                               "Delete /arx-player-behavior/v1/reporter-feedback/1"));
  EXPECT_THAT(host_.acknowledgedAccounts, ElementsAre(5u));
  SetPhase(GameflowPhase::Lobby);
  EXPECT_THAT(VisibleIds(), ElementsAre(3, 2));
  host_.TakeEffects();

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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const RestResult<Api::ReporterFeedback> refused = service_.DeleteReporterFeedbackAndWait(c.id);
    EXPECT_FALSE(refused.result.ok());
    EXPECT_EQ(refused.status, c.status);
    EXPECT_EQ(refused.result.message(), c.error);
    EXPECT_THAT(host_.TakeEffects(), IsEmpty());
    EXPECT_THAT(VisibleIds(), ElementsAre(3, 2));
  }

  // A failed acknowledgement does not keep the entry.
  host_.invokeReply = MaybeType<Failure, bool>::FromFailure("down");
  EXPECT_TRUE(service_.DeleteReporterFeedbackAndWait("3").result.ok());
  EXPECT_THAT(VisibleIds(), ElementsAre(2));
}

TEST_F(ReporterFeedback, ALoginDataPacketReplacesTheEntriesSilently) {
  Message("tribunal.reporter.feedback", "old");
  host_.TakeEffects();
  RegisterTypes();
  Packet(R"({"simpleMessages":[{"msgId":"n1","type":"tribunal.reporter.feedback"},)"
         R"({"msgId":"n2","type":"tribunal.cheating.feedback","params":[]}]})");
  // No deletion for the dropped entry; the replayed ones get new identifiers.
  EXPECT_THAT(host_.TakeEffects(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/2",
                                               "Create /arx-player-behavior/v1/reporter-feedback/3"));
  EXPECT_THAT(VisibleIds(), ElementsAre(2, 3));
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
