// Reform cards through the real plugin: which version is fetched, when (configuration and
// phase), what is stored, and what failed or empty fetches leave.
#include <string>

#include "plugin_scenario.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kGetV1 = "toxicfeedback.server.getReformCard";
constexpr std::string_view kGetV2 = "toxicfeedback.server.getReformCardV2";
constexpr std::string_view kTwoPunishments =
    R"([{"punishmentType":"CHAT_RESTRICTION","punishmentReason":"TOXIC","punishedUntilDateMillis":5,)"
    R"("punishmentLengthMillis":6,"punishmentLengthGames":7,"punishedForChatLogs":["a","b"],)"
    R"("punishedForGameIds":[9,10],"playerFacingMessage":"be nice","permaBan":true},)"
    R"({"punishmentType":"SECOND","punishmentReason":"OTHER"}])";
constexpr std::string_view kCardV2 =
    R"({"id":42,"punishmentType":"RANKED","punishmentReason":"AFK","punishmentLengthGames":3,)"
    R"("punishedForReformCardChatLogs":[{"inGameChatLogs":["x"]}],"punishedForGameIds":[1]})";

class ReformCards : public PluginScenario {
 protected:
  void SetUp() override {
    PluginScenario::SetUp();
    ReplyReformCard(kTwoPunishments);
    ReplyReformCardV2(kCardV2);
    Start();
    LogIn();
  }
  void WantCard() { PushSimple("prime.display_reform_card", "p"); }
};

TEST_F(ReformCards, APendingCardWaitsForAConfigurationAndPhaseNone) {
  SetPhase("Lobby");
  WantCard();
  SetConfig(false);  // phase Lobby: still pending
  SetPhase("ChampSelect");
  EXPECT_THAT(ServiceProxyMethods(), IsEmpty());
  // The end of the session is no phase report: the card stays pending.
  EndGameFlowSession();
  EXPECT_THAT(ServiceProxyMethods(), IsEmpty());
  Mark();
  SetPhase("None");
  EXPECT_THAT(ServiceProxyMethods(), ElementsAre(kGetV1));
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reform-card"));
  // Fetched once: the request is used up.
  SetPhase("None");
  EXPECT_THAT(ServiceProxyMethods(), ElementsAre(kGetV1));
}

TEST_F(ReformCards, AConfigurationFindingThePlayerIdleFetchesBeforeItIsPublished) {
  WantCard();
  EXPECT_THAT(ServiceProxyMethods(), IsEmpty());
  Mark();
  SetConfig(true);
  EXPECT_THAT(ServiceProxyMethods(), ElementsAre(kGetV2));
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v2/reform-card",
                                        "Create /arx-player-behavior/v1/config"));
}

TEST_F(ReformCards, TheFirstVersionStoresTheFirstPunishment) {
  SetConfig(false);
  WantCard();
  const CallResult card = Get("/arx-player-behavior/v1/reform-card");
  ASSERT_FALSE(card.failed) << card.error;
  EXPECT_EQ(WriteJson(card.value),
            R"({"chatLogs":["a","b"],"gameIds":[9,10],"id":)" + std::to_string(IdOf(card.value)) +
                R"(,"playerFacingMessage":"be nice","punishmentLengthGames":7,"punishmentLengthTime":6,)"
                R"("punishmentType":"CHAT_RESTRICTION","reason":"TOXIC","restrictedChatGamesRemaining":7,)"
                R"("timeWhenPunishmentExpires":5})");
  EXPECT_THAT(LogsWith("Player's account has a REFORM CARD: CHAT_RESTRICTION - TOXIC"), testing::SizeIs(1));

  Mark();
  ReplyReformCard(R"([{"punishmentType":"NEXT"}])");
  WantCard();
  EXPECT_THAT(EventLines(), ElementsAre("Delete /arx-player-behavior/v1/reform-card",
                                        "Create /arx-player-behavior/v1/reform-card"));
  EXPECT_GT(IdOf(Events()[1].data), IdOf(card.value));
  EXPECT_EQ(TextOf(Get("/arx-player-behavior/v1/reform-card").value, "punishmentType"), "NEXT");
}

TEST_F(ReformCards, TheSecondVersionIsStoredWholeWithTheServicesIdentifier) {
  SetConfig(true);
  PushSimple("tribunal.reporter.feedback", "f");  // takes identifier 1
  WantCard();
  const CallResult card = Get("/arx-player-behavior/v2/reform-card");
  ASSERT_FALSE(card.failed) << card.error;
  EXPECT_EQ(IdOf(card.value), 2u);
  EXPECT_EQ(TextOf(card.value, "punishmentReason"), "AFK");
  EXPECT_EQ(card.value.FieldOrEmpty("punishmentLengthGames").AsSigned(), 3);
  EXPECT_EQ(card.value.FieldOrEmpty("punishedForReformCardChatLogs").size(), 1u);
  EXPECT_THAT(LogsWith("Player's account has a REFORM CARD V2: RANKED - AFK"), testing::SizeIs(1));

  Mark();
  WantCard();
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v2/reform-card"));
  EXPECT_EQ(IdOf(Get("/arx-player-behavior/v2/reform-card").value), 3u);
}

TEST_F(ReformCards, FailedAndEmptyFetchesStoreNothingAndConsumeTheRequest) {
  struct Case {
    int line;
    bool v2;
    std::string payload;
    std::string error;
  };
  const Case cases[] = {
      {__LINE__, false, "[]", ""},
      {__LINE__, false, "", "service unavailable"},
      {__LINE__, false, R"({"not":"a list"})", ""},
      // Filled, but without a punishment type: no card.
      {__LINE__, true, R"({"punishmentReason":"AFK","punishmentLengthGames":3})", ""},
      {__LINE__, true, "", "service unavailable"},
  };
  std::size_t requests = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.v2) {
      ReplyReformCardV2(c.payload, c.error);
    } else {
      ReplyReformCard(c.payload, c.error);
    }
    SetConfig(c.v2);
    Mark();
    WantCard();
    EXPECT_EQ(login_->serviceProxyRequests().size(), ++requests);
    EXPECT_THAT(EventLines(), IsEmpty());
    // Not retried on the next idle report.
    SetPhase("None");
    EXPECT_EQ(login_->serviceProxyRequests().size(), requests);
  }
  EXPECT_EQ(Get("/arx-player-behavior/v1/reform-card").status, 404u);
  EXPECT_EQ(Get("/arx-player-behavior/v2/reform-card").status, 404u);
}

TEST_F(ReformCards, TheDisplayMessageCountsOnlyWhileLoggedIn) {
  LogOut();
  WantCard();
  SetLoginSession(R"({"state":"SUCCEEDED","summonerId":0,"accountId":22})");
  WantCard();
  SetConfig(false);
  SetPhase("None");
  EXPECT_THAT(ServiceProxyMethods(), IsEmpty());
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
