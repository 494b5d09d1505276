// Reform cards against a fake host: which version is fetched, when (configuration and
// phase), what is stored, and what failed or empty fetches leave.
#include <string>

#include "fake_host.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Api::GameflowPhase;

constexpr std::string_view kCreateCardV2 = "Create /arx-player-behavior/v2/reform-card";
constexpr std::string_view kRequestV2 = "request toxicfeedback.server.getReformCardV2";

Lcds::Punishment Punishment(std::string type, std::string reason) {
  Lcds::Punishment punishment;
  punishment.punishmentType = std::move(type);
  punishment.punishmentReason = std::move(reason);
  return punishment;
}

class ReformCards : public ServiceTest {
 protected:
  void SetUp() override {
    Lcds::Punishment first = Punishment("CHAT_RESTRICTION", "TOXIC");
    first.punishedUntilDateMillis = 5;
    first.punishmentLengthMillis = 6;
    first.punishmentLengthGames = 7;
    first.punishedForChatLogs = {"a", "b"};
    first.punishedForGameIds = {9, 10};
    first.playerFacingMessage = "be nice";
    first.permaBan = true;
    host_.punishmentsReply.SetValue(std::vector<Lcds::Punishment>{first, Punishment("SECOND", "OTHER")});
    Api::ReformCardV2 card;
    card.id = 42;
    card.punishmentType = "RANKED";
    card.punishmentReason = "AFK";
    card.punishmentLengthGames = 3;
    card.punishedForReformCardChatLogs.resize(1);
    host_.cardV2Reply.SetValue(card);
    LogIn();
  }
  void WantCard() { Message("prime.display_reform_card", "p"); }
};

TEST_F(ReformCards, APendingCardWaitsForAConfigurationAndPhaseNone) {
  SetPhase(GameflowPhase::Lobby);
  WantCard();
  SetConfig(false);  // phase Lobby: still pending
  SetPhase(GameflowPhase::ChampSelect);
  // The end of the session is no phase report: the card stays pending.
  service_.OnGameflowSessionAndWait(Deleted<Api::PlayerBehavior_GameflowSessionResource>());
  EXPECT_THAT(host_.TakeEffects(), ElementsAre("Create /arx-player-behavior/v1/config"));
  SetPhase(GameflowPhase::None);
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kRequestCard, kCreateCard));
  // Fetched once: the request is used up.
  SetPhase(GameflowPhase::None);
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
}

TEST_F(ReformCards, AConfigurationFindingThePlayerIdleFetchesBeforeItIsPublished) {
  WantCard();
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  SetConfig(true);
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kRequestV2, kCreateCardV2, "Create /arx-player-behavior/v1/config"));
}

TEST_F(ReformCards, TheFirstVersionStoresTheFirstPunishment) {
  SetConfig(false);
  WantCard();
  const RestResult<Api::ReformCard> card = service_.GetReformCard();
  ASSERT_TRUE(card.result.ok());
  const Api::ReformCard& stored = card.result.value();
  EXPECT_EQ(stored.id, 1u);
  EXPECT_EQ(stored.punishmentType, "CHAT_RESTRICTION");
  EXPECT_EQ(stored.reason, "TOXIC");
  EXPECT_EQ(stored.timeWhenPunishmentExpires, 5u);
  EXPECT_EQ(stored.punishmentLengthTime, 6u);
  EXPECT_EQ(stored.punishmentLengthGames, 7);
  EXPECT_EQ(stored.restrictedChatGamesRemaining, 7);
  EXPECT_THAT(stored.chatLogs, ElementsAre("a", "b"));
  EXPECT_THAT(stored.gameIds, ElementsAre(9u, 10u));
  EXPECT_EQ(stored.playerFacingMessage, "be nice");
  EXPECT_THAT(TakeLogs(), ElementsAre("Player's account has a REFORM CARD: CHAT_RESTRICTION - TOXIC"));
  // Travels with the chat restriction's next publication, which is not held yet.
  EXPECT_EQ(service_.GetChatRestriction().status, 404u);

  host_.TakeEffects();
  host_.punishmentsReply.SetValue(std::vector<Lcds::Punishment>{Punishment("NEXT", "")});
  WantCard();
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kRequestCard, "Delete /arx-player-behavior/v1/reform-card", kCreateCard));
  EXPECT_EQ(service_.GetReformCard().result.value().id, 2u);
  EXPECT_EQ(service_.GetReformCard().result.value().punishmentType, "NEXT");
}

TEST_F(ReformCards, TheSecondVersionIsStoredWholeWithTheServicesIdentifierReplaced) {
  SetConfig(true);
  Message("tribunal.reporter.feedback", "f");  // takes identifier 1
  WantCard();
  const RestResult<Api::ReformCardV2> card = service_.GetReformCardV2();
  ASSERT_TRUE(card.result.ok());
  EXPECT_EQ(card.result.value().id, 2u);
  EXPECT_EQ(card.result.value().punishmentReason, "AFK");
  EXPECT_EQ(card.result.value().punishmentLengthGames, 3);
  EXPECT_EQ(card.result.value().punishedForReformCardChatLogs.size(), 1u);
  EXPECT_THAT(TakeLogs(), ElementsAre("Player's account has a REFORM CARD V2: RANKED - AFK"));

  host_.TakeEffects();
  WantCard();
  // Replaced without a deletion.
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kRequestV2, kCreateCardV2));
  EXPECT_EQ(service_.GetReformCardV2().result.value().id, 3u);
}

TEST_F(ReformCards, FailedAndEmptyFetchesStoreNothingAndConsumeTheRequest) {
  Api::ReformCardV2 typeless;
  typeless.punishmentReason = "AFK";
  typeless.punishmentLengthGames = 3;
  using Punishments = MaybeType<Failure, std::vector<Lcds::Punishment>>;
  using CardV2 = MaybeType<Failure, Api::ReformCardV2>;
  struct Case {
    int line;
    bool v2;
    Punishments punishments;
    CardV2 cardV2;
  };
  const Case cases[] = {
      {__LINE__, false, Punishments(std::vector<Lcds::Punishment>{}), CardV2::Ok()},
      {__LINE__, false, Punishments::FromFailure("service unavailable"), CardV2::Ok()},
      // Filled, but without a punishment type: no card.
      {__LINE__, true, Punishments::Ok(), CardV2(typeless)},
      {__LINE__, true, Punishments::Ok(), CardV2::FromFailure("service unavailable")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    host_.punishmentsReply = c.punishments;
    host_.cardV2Reply = c.cardV2;
    SetConfig(c.v2);
    host_.TakeEffects();
    WantCard();
    EXPECT_THAT(host_.TakeEffects(), ElementsAre(c.v2 ? kRequestV2 : kRequestCard));
    // Not retried on the next idle report.
    SetPhase(GameflowPhase::None);
    EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  }
  EXPECT_EQ(service_.GetReformCard().status, 404u);
  EXPECT_EQ(service_.GetReformCardV2().status, 404u);
}

TEST_F(ReformCards, TheDisplayMessageCountsOnlyWhileLoggedIn) {
  service_.OnLoginSession(Deleted<Api::PlayerBehavior_LoginSession>());
  WantCard();
  service_.OnLoginSession(
      Created(Api::PlayerBehavior_LoginSession{Api::PlayerBehavior_LoginSessionState::SUCCEEDED, {}, 0, 22}));
  WantCard();
  SetConfig(false);
  SetPhase(GameflowPhase::None);
  EXPECT_THAT(host_.TakeEffects(), ElementsAre("Create /arx-player-behavior/v1/config"));
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
