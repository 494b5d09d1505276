// The login data packet through the real plugin: its fixed order, the reconnect case, and
// the counts that leave held restrictions alone.
#include <string>

#include "plugin_scenario.h"
#include "util/epoch_time.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class LoginDataPacket : public PluginScenario {
 protected:
  void SetUp() override {
    PluginScenario::SetUp();
    ReplyReformCard(R"([{"punishmentType":"CHAT_RESTRICTION","punishmentReason":"TOXIC"}])");
    Start();
    SetConfig(false);
  }
  // Publishes the packet, lets `queue` put more on the host's loop behind it, then runs it.
  template <class Queue>
  void SetLoginDataPacketThen(std::string_view json, Queue queue) {
    login_->Set(Host::kLoginDataPacketPath, Json(json));
    queue();
    host_.RunUntilIdle();
  }
};

TEST_F(LoginDataPacket, IsTakenApartInItsFixedOrder) {
  const uint64_t until = NowEpochMillis() + 86'400'000ULL;
  Mark();
  SetLoginDataPacket(
      R"({"allSummonerData":{"summoner":{"acctId":9}},"reconnectInfo":null,"simpleMessages":[)"
      R"({"msgId":"f1","type":"tribunal.reporter.feedback"},)"
      R"({"msgId":"h1","type":"harassment.restriction","params":["{\"restrictionType\":\"IN_GAME_CHAT\",\"durationDelta\":4}"]}],)"
      R"("bannedUntilDateMillis":)" +
      std::to_string(until) +
      R"(,"restrictedChatGamesRemaining":6,"restrictedGamesRemainingForRanked":2,"displayPrimeReformCard":false})");

  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/1",
                                        "Create /arx-player-behavior/v1/chat-restriction",
                                        "Create /arx-player-behavior/v1/ban",
                                        "Delete /arx-player-behavior/v1/chat-restriction",
                                        "Create /arx-player-behavior/v1/ranked-restriction",
                                        "Create /arx-player-behavior/v1/reform-card",
                                        "Create /arx-player-behavior/v1/chat-restriction"));
  // The replayed restriction message is handled like a pushed one.
  EXPECT_THAT(notifications_->posted(), SizeIs(1));
  ASSERT_THAT(login_->invocations(), SizeIs(1));
  EXPECT_EQ(login_->invocations()[0].arguments.ElementOrEmpty(0).FieldOrEmpty("accountId").AsUnsigned(), 9u);

  const CallResult ban = Get("/arx-player-behavior/v1/ban");
  EXPECT_EQ(WriteJson(ban.value), R"({"displayReformCard":true,"id":3,"isPermaBan":false,"reason":"PrimeSystem",)"
                                  R"("source":"Login","timeUntilBanExpires":)" +
                                      std::to_string(until) + "}");
  EXPECT_THAT(LogsWith("Player's account is BANNED until " + EpochMillisToIsoText(until)), SizeIs(1));
  EXPECT_EQ(WriteJson(Get("/arx-player-behavior/v1/ranked-restriction").value),
            R"({"displayReformCard":false,"gamesRemaining":2,"id":4,"source":"Login"})");
  EXPECT_THAT(LogsWith("Player's account is RANKED RESTICTED for 2 more games."), SizeIs(1));
  // The reform card found before the chat restriction is stored marks it.
  EXPECT_EQ(WriteJson(Get("/arx-player-behavior/v1/chat-restriction").value),
            R"({"displayReformCard":true,"gamesRemaining":6,"id":6,"source":"Login"})");
  EXPECT_THAT(LogsWith("Player's account is CHAT RESTICTED for 6 more games."), SizeIs(1));
}

TEST_F(LoginDataPacket, FarBanDatesArePermanent) {
  SetLoginDataPacket(R"({"bannedUntilDateMillis":)" + std::to_string(NowEpochMillis() + 95'000'000'000ULL) + "}");
  EXPECT_TRUE(Get("/arx-player-behavior/v1/ban").value.FieldOrEmpty("isPermaBan").AsBool());
  EXPECT_THAT(LogsWith("Player's account is BANNED until FOREVER"), SizeIs(1));
}

TEST_F(LoginDataPacket, AReconnectOnlyStoresTheAccount) {
  PushSimple("tribunal.reporter.feedback", "m1");
  PushRestriction("r", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":1})");
  Mark();
  SetLoginDataPacket(R"({"allSummonerData":{"summoner":{"acctId":31}},"reconnectInfo":{"game":1},)"
                     R"("simpleMessages":[{"msgId":"x","type":"tribunal.reporter.feedback"}],)"
                     R"("bannedUntilDateMillis":5,"restrictedGamesRemainingForRanked":9,"displayPrimeReformCard":true})");
  EXPECT_THAT(EventLines(), IsEmpty());
  EXPECT_TRUE(login_->serviceProxyRequests().empty());
  EXPECT_EQ(Get("/arx-player-behavior/v1/ban").status, 404u);
  EXPECT_EQ(Get("/arx-player-behavior/v1/ranked-restriction").value.FieldOrEmpty("gamesRemaining").AsSigned(), 1);
  // The entry from before is still there, and its acknowledgement names the new account.
  ASSERT_FALSE(Delete(std::string(kFeedbackPrefix) + "1").failed);
  ASSERT_THAT(login_->invocations(), SizeIs(1));
  EXPECT_EQ(login_->invocations()[0].arguments.ElementOrEmpty(0).FieldOrEmpty("accountId").AsUnsigned(), 31u);
}

TEST_F(LoginDataPacket, ZeroCountsAndDeletionsLeaveHeldRestrictionsAlone) {
  PushRestriction("c", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2})");
  PushRestriction("r", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":2})");
  Mark();
  SetLoginDataPacket(R"({"restrictedChatGamesRemaining":0,"restrictedGamesRemainingForRanked":-3})");
  login_->Remove(Host::kLoginDataPacketPath);
  host_.RunUntilIdle();
  EXPECT_THAT(EventLines(), IsEmpty());
  EXPECT_TRUE(login_->serviceProxyRequests().empty());
  EXPECT_EQ(SourceOf(Get("/arx-player-behavior/v1/chat-restriction").value), "Message");
  EXPECT_EQ(SourceOf(Get("/arx-player-behavior/v1/ranked-restriction").value), "Message");
}

// One game left is still a restriction: only counts of zero and below are none.
TEST_F(LoginDataPacket, OneGameLeftIsARestriction) {
  SetLoginDataPacket(R"({"restrictedChatGamesRemaining":1,"restrictedGamesRemainingForRanked":1})");
  for (const char* path : {"/arx-player-behavior/v1/chat-restriction", "/arx-player-behavior/v1/ranked-restriction"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Get(path).value.FieldOrEmpty("gamesRemaining").AsSigned(), 1);
  }
}

TEST_F(LoginDataPacket, TheReformCardFlagAloneFetchesACard) {
  Mark();
  SetLoginDataPacket(R"({"displayPrimeReformCard":true})");
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/reform-card"));
  EXPECT_EQ(Get("/arx-player-behavior/v1/chat-restriction").status, 404u);
}

TEST_F(LoginDataPacket, ARestrictionArrivingDuringTheCardFetchIsReplacedLikeAnyOther) {
  Mark();
  SetLoginDataPacketThen(R"({"restrictedChatGamesRemaining":4})", [this] {
    // Queued behind the packet: it runs while the plugin waits for the reform card.
    BindingProperty message;
    message.MutableField("clientId") = "clientFacadeService";
    message.MutableField("subtopic") = "";
    message.MutableField("typeName") = kSimpleMessageClass;
    message.MutableField("body") = Json(
        R"({"msgId":"late","type":"harassment.restriction","params":["{\"restrictionType\":\"IN_GAME_CHAT\"}"]})");
    host_.ScheduleEvent("OnLcdsEvent_com_velaworks_platform_messaging_persistence_SimpleDialogMessage", message);
  });
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/chat-restriction",
                                        "Create /arx-player-behavior/v1/reform-card",
                                        "Delete /arx-player-behavior/v1/chat-restriction",
                                        "Create /arx-player-behavior/v1/chat-restriction"));
  EXPECT_EQ(WriteJson(Get("/arx-player-behavior/v1/chat-restriction").value),
            R"({"displayReformCard":true,"gamesRemaining":4,"id":3,"source":"Login"})");
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
