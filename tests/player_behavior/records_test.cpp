// The records as the type registry sees them: wire keys, enumeration names and numbers,
// native defaults and the optional login error.
#include <gtest/gtest.h>

#include "binding/binding_registry.h"
#include "binding/native_type.h"
#include "calls/lcds_class_table.h"
#include "codecs/json.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/player_behavior_registration.h"
#include "player_behavior/sibling_records.h"

namespace Vela::Client::PlayerBehavior {
namespace {

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlayerBehaviorTypes(registry_, classes_); }

  template <class T>
  std::string Json(const T& record) {
    BindingResult value = ToBinding(record, registry_);
    EXPECT_TRUE(value.ok()) << value.message();
    return WriteJson(value.value(), &registry_);
  }
  template <class T>
  MaybeType<Failure, T> FromJson(const std::string& text) {
    BindingResult parsed = ParseJson(text);
    EXPECT_TRUE(parsed.ok()) << parsed.message();
    return FromBinding<T>(parsed.value(), "<value>", registry_);
  }

  BindingRegistry registry_;
  LcdsClassTable classes_;
};

TEST_F(RecordsTest, ServedRecordsWriteExactlyTheirKeys) {
  Api::BanNotification ban;
  ban.id = 4;
  ban.source = Api::NotificationSource::Login;
  ban.reason = "Leaver";
  ban.timeUntilBanExpires = 99;
  EXPECT_EQ(Json(ban),
            R"({"displayReformCard":false,"id":4,"isPermaBan":false,"reason":"Leaver","source":"Login",)"
            R"("timeUntilBanExpires":99})");
  // msgId stays inside the plugin.
  EXPECT_EQ(Json(Api::ReporterFeedback{7, "secret", "tribunal.reporter.feedback"}),
            R"({"id":7,"type":"tribunal.reporter.feedback"})");
  EXPECT_EQ(Json(Api::RestrictionNotification{}),
            R"({"displayReformCard":false,"gamesRemaining":-1,"id":0,"source":"Invalid"})");
  EXPECT_EQ(Json(Api::PlayerBehaviorConfig{}), R"({"ReformCardV2Enabled":false})");
  EXPECT_EQ(Json(Api::ReformCard{}),
            R"({"chatLogs":[],"gameIds":[],"id":0,"playerFacingMessage":"","punishmentLengthGames":-1,)"
            R"("punishmentLengthTime":0,"punishmentType":"","reason":"","restrictedChatGamesRemaining":-1,)"
            R"("timeWhenPunishmentExpires":0})");
}

TEST_F(RecordsTest, InputsKeepNativeDefaultsForMissingMembers) {
  auto card = FromJson<Api::ReformCardV2>(R"({"punishmentType":"CHAT_RESTRICTION",)"
                                          R"("punishedForReformCardChatLogs":[{"inGameChatLogs":["gg"]}]})");
  ASSERT_TRUE(card.ok()) << card.message();
  EXPECT_EQ(card.value().punishmentLengthGames, -1);
  ASSERT_EQ(card.value().punishedForReformCardChatLogs.size(), 1u);
  EXPECT_EQ(card.value().punishedForReformCardChatLogs[0].inGameChatLogs, std::vector<std::string>{"gg"});

  auto punishments = FromJson<std::vector<Lcds::Punishment>>(R"([{"punishmentType":"BAN","permaBan":true}])");
  ASSERT_TRUE(punishments.ok()) << punishments.message();
  ASSERT_EQ(punishments.value().size(), 1u);
  EXPECT_TRUE(punishments.value()[0].permaBan);
  // Unlike the reform cards, a punishment has no -1 default: a reply without it gives 0.
  EXPECT_EQ(punishments.value()[0].punishmentLengthGames, 0);
}

TEST_F(RecordsTest, LoginSessionErrorIsOptionalAndStatesKeepTheirNumbers) {
  auto plain = FromJson<Api::PlayerBehavior_LoginSession>(R"({"state":"SUCCEEDED","summonerId":1,"accountId":2})");
  ASSERT_TRUE(plain.ok()) << plain.message();
  EXPECT_FALSE(plain.value().error.has_value());
  EXPECT_EQ(plain.value().state, Api::PlayerBehavior_LoginSessionState::SUCCEEDED);
  // An absent error writes as an empty value.
  EXPECT_EQ(Json(plain.value()), R"({"accountId":2,"error":null,"state":"SUCCEEDED","summonerId":1})");

  auto failed = FromJson<Api::PlayerBehavior_LoginSession>(
      R"({"state":"ERROR","error":{"messageId":"ACCOUNT_BANNED","description":"{}"}})");
  ASSERT_TRUE(failed.ok()) << failed.message();
  EXPECT_EQ(static_cast<int32_t>(failed.value().state), 3);
  ASSERT_TRUE(failed.value().error.has_value());
  EXPECT_EQ(failed.value().error->messageId, "ACCOUNT_BANNED");

  auto phase = FromJson<Api::PlayerBehavior_GameflowSessionResource>(R"({"phase":"EndOfGame"})");
  ASSERT_TRUE(phase.ok()) << phase.message();
  EXPECT_EQ(static_cast<int32_t>(phase.value().phase), 12);
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior
