// The login data packet against a fake host: its fixed order, the reconnect case, the counts
// that leave held restrictions alone, and a message that arrives while a card is fetched.
#include <string>

#include "fake_host.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;


class LoginDataPacket : public ServiceTest {
 protected:
  void SetUp() override {
    RegisterTypes();
    Lcds::Punishment punishment;
    punishment.punishmentType = "CHAT_RESTRICTION";
    punishment.punishmentReason = "TOXIC";
    host_.punishmentsReply.SetValue(std::vector<Lcds::Punishment>{punishment});
    SetConfig(false);
    host_.TakeEffects();
  }
  void Restriction(std::string_view type, int games) {
    Message("harassment.restriction", "m",
            {R"({"restrictionType":")" + std::string(type) + R"(","durationDelta":)" + std::to_string(games) + "}"});
  }
};

TEST_F(LoginDataPacket, IsTakenApartInItsFixedOrder) {
  const uint64_t until = host_.now + 86'400'000ULL;
  Packet(R"({"allSummonerData":{"summoner":{"acctId":9}},"reconnectInfo":null,"simpleMessages":[)"
         R"({"msgId":"f1","type":"tribunal.reporter.feedback"},)"
         R"({"msgId":"h1","type":"harassment.restriction","params":["{\"restrictionType\":\"IN_GAME_CHAT\",\"durationDelta\":4}"]}],)"
         R"("bannedUntilDateMillis":)" +
         std::to_string(until) +
         R"(,"restrictedChatGamesRemaining":6,"restrictedGamesRemainingForRanked":2,"displayPrimeReformCard":false})");

  // The replayed restriction message is handled like a pushed one.
  EXPECT_THAT(host_.TakeEffects(),
              ElementsAre("Create /arx-player-behavior/v1/reporter-feedback/1", kCreateChat, kPost,
                          "invoke clientFacadeService.callPersistenceMessaging h1",
                          "Create /arx-player-behavior/v1/ban", kDeleteChat, kCreateRanked, kRequestCard, kCreateCard,
                          kCreateChat));
  EXPECT_THAT(host_.acknowledgedAccounts, ElementsAre(9u));

  const Api::BanNotification ban = service_.GetBan().result.value();
  EXPECT_EQ(ban.id, 3u);
  EXPECT_EQ(ban.reason, "PrimeSystem");
  EXPECT_EQ(ban.source, Api::NotificationSource::Login);
  EXPECT_EQ(ban.timeUntilBanExpires, until);
  EXPECT_FALSE(ban.isPermaBan);
  EXPECT_TRUE(ban.displayReformCard);
  const Api::RestrictionNotification ranked = service_.GetRankedRestriction().result.value();
  EXPECT_EQ(ranked.id, 4u);
  EXPECT_EQ(ranked.gamesRemaining, 2);
  EXPECT_EQ(ranked.source, Api::NotificationSource::Login);
  EXPECT_FALSE(ranked.displayReformCard);
  // The reform card found before the chat restriction is stored marks it.
  const Api::RestrictionNotification chat = service_.GetChatRestriction().result.value();
  EXPECT_EQ(chat.id, 6u);
  EXPECT_EQ(chat.gamesRemaining, 6);
  EXPECT_EQ(chat.source, Api::NotificationSource::Login);
  EXPECT_TRUE(chat.displayReformCard);
  EXPECT_THAT(TakeLogs(), ElementsAre("Received 'harassment.restriction IN_GAME_CHAT' message",
                                      "Player's account is BANNED until 2023-11-15T22:13:20.000Z",
                                      "Player's account is RANKED RESTICTED for 2 more games.",
                                      "Player's account has a REFORM CARD: CHAT_RESTRICTION - TOXIC",
                                      "Player's account is CHAT RESTICTED for 6 more games."));
}

TEST_F(LoginDataPacket, BanDatesBeyondThreeYearsArePermanent) {
  Packet(R"({"bannedUntilDateMillis":)" + std::to_string(host_.now + 94'608'000'001ULL) + "}");
  EXPECT_TRUE(service_.GetBan().result.value().isPermaBan);
  EXPECT_THAT(TakeLogs(), ElementsAre("Player's account is BANNED until FOREVER"));
}

TEST_F(LoginDataPacket, AReconnectOnlyStoresTheAccount) {
  Message("tribunal.reporter.feedback", "m1");
  Restriction("RANKED_GAME_RESTRICTION", 1);
  host_.TakeEffects();
  Packet(R"({"allSummonerData":{"summoner":{"acctId":31}},"reconnectInfo":{"game":1},)"
         R"("simpleMessages":[{"msgId":"x","type":"tribunal.reporter.feedback"}],)"
         R"("bannedUntilDateMillis":5,"restrictedGamesRemainingForRanked":9,"displayPrimeReformCard":true})");
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  EXPECT_EQ(service_.GetBan().status, 404u);
  EXPECT_EQ(service_.GetRankedRestriction().result.value().gamesRemaining, 1);
  // The entry from before is still there, and its acknowledgement names the new account.
  EXPECT_TRUE(service_.DeleteReporterFeedbackAndWait("1").result.ok());
  EXPECT_THAT(host_.acknowledgedAccounts, ElementsAre(31u));
}

TEST_F(LoginDataPacket, CountsOfZeroAndBelowAndDeletionsLeaveHeldRestrictionsAlone) {
  Restriction("IN_GAME_CHAT", 2);
  Restriction("RANKED_GAME_RESTRICTION", 2);
  host_.TakeEffects();
  Packet(R"({"restrictedChatGamesRemaining":0,"restrictedGamesRemainingForRanked":-3})");
  service_.OnLoginDataPacketAndWait(Deleted<BindingProperty>());
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  EXPECT_EQ(service_.GetChatRestriction().result.value().source, Api::NotificationSource::Message);
  EXPECT_EQ(service_.GetRankedRestriction().result.value().source, Api::NotificationSource::Message);

  // One game left is still a restriction.
  Packet(R"({"restrictedChatGamesRemaining":1,"restrictedGamesRemainingForRanked":1})");
  EXPECT_EQ(service_.GetChatRestriction().result.value().gamesRemaining, 1);
  EXPECT_EQ(service_.GetRankedRestriction().result.value().gamesRemaining, 1);
}

TEST_F(LoginDataPacket, TheReformCardFlagAloneFetchesACard) {
  Packet(R"({"displayPrimeReformCard":true})");
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kRequestCard, kCreateCard));
  EXPECT_EQ(service_.GetChatRestriction().status, 404u);
}

TEST_F(LoginDataPacket, ARestrictionArrivingDuringTheCardFetchIsReplacedLikeAnyOther) {
  host_.duringNextWait = [this] { Restriction("IN_GAME_CHAT", 0); };
  Packet(R"({"restrictedChatGamesRemaining":4})");
  EXPECT_THAT(host_.TakeEffects(),
              ElementsAre(kRequestCard, kCreateChat, kPost, "invoke clientFacadeService.callPersistenceMessaging m",
                          kCreateCard, kDeleteChat, kCreateChat));
  const Api::RestrictionNotification chat = service_.GetChatRestriction().result.value();
  EXPECT_EQ(chat.id, 3u);
  EXPECT_EQ(chat.gamesRemaining, 4);
  EXPECT_EQ(chat.source, Api::NotificationSource::Login);
  EXPECT_TRUE(chat.displayReformCard);
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
