// Chat and ranked restrictions through the real plugin: "harassment.restriction" messages
// with their notifications and acknowledgements, and the failures that leave them stored.
#include <string>

#include "plugin_scenario.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class Restrictions : public PluginScenario {
 protected:
  void SetUp() override {
    PluginScenario::SetUp();
    Start();
    // The acknowledgement carries the account of the login data packet.
    SetLoginDataPacket(R"({"allSummonerData":{"summoner":{"acctId":777}}})");
  }
};

TEST_F(Restrictions, ChatRestrictionMessagePostsItsNotificationAndIsAcknowledged) {
  struct Case {
    int line;
    std::string restriction;
    int64_t games;
    std::string titleKey;
    std::string detailKey;
  };
  const Case cases[] = {
      {__LINE__, R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2,"previousDuration":1})", 3,
       "player_behavior_chat_restriction_notification_header_plural",
       "player_behavior_chat_restriction_notification_body"},
      {__LINE__, R"({"restrictionType":"IN_GAME_CHAT","durationDelta":1})", 1,
       "player_behavior_chat_restriction_notification_header_singular",
       "player_behavior_chat_restriction_notification_body"},
      {__LINE__, R"({"restrictionType":"IN_GAME_CHAT","durationDelta":0,"previousDuration":0})", 0,
       "player_behavior_chat_restriction_notification_finished_header",
       "player_behavior_chat_restriction_notification_finished_body"},
  };
  std::size_t posted = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string msgId = "msg-" + std::to_string(c.line);
    Mark();
    PushRestriction(msgId, c.restriction);

    const CallResult chat = Get("/arx-player-behavior/v1/chat-restriction");
    ASSERT_FALSE(chat.failed) << chat.error;
    EXPECT_EQ(chat.value.FieldOrEmpty("gamesRemaining").AsSigned(), c.games);
    EXPECT_EQ(SourceOf(chat.value), "Message");
    EXPECT_FALSE(chat.value.FieldOrEmpty("displayReformCard").AsBool());
    EXPECT_THAT(LogsWith("Received 'harassment.restriction IN_GAME_CHAT' message"), SizeIs(1));

    ASSERT_THAT(notifications_->posted(), SizeIs(++posted));
    const BindingProperty& notification = notifications_->posted().back();
    EXPECT_EQ(TextOf(notification, "titleKey"), c.titleKey);
    EXPECT_EQ(TextOf(notification, "detailKey"), c.detailKey);
    EXPECT_EQ(TextOf(notification, "iconUrl"), "/fe/arx-player-notifications/images/vela_fist.png");
    EXPECT_EQ(TextOf(notification.FieldOrEmpty("data"), "gamesRemaining"), std::to_string(c.games));
    EXPECT_FALSE(notification.FieldOrEmpty("critical").AsBool());

    ASSERT_FALSE(login_->invocations().empty());
    const Host::LcdsInvocation& ack = login_->invocations().back();
    EXPECT_EQ(ack.destination, "clientFacadeService");
    EXPECT_EQ(ack.operation, "callPersistenceMessaging");
    ASSERT_EQ(ack.arguments.size(), 1u);
    const BindingProperty& response = ack.arguments.ElementOrEmpty(0);
    EXPECT_EQ(TextOf(response, "__class"), "com.velaworks.platform.messaging.persistence.SimpleDialogMessageResponse");
    EXPECT_EQ(response.FieldOrEmpty("accountId").AsUnsigned(), 777u);
    EXPECT_EQ(TextOf(response, "msgId"), msgId);
    EXPECT_EQ(TextOf(response, "command"), "ack");
  }
  EXPECT_THAT(login_->invocations(), SizeIs(3));
}

TEST_F(Restrictions, ReplacementsDeleteFirstAndRankedOnesRaiseNothing) {
  PushRestriction("r1", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":5})");
  Mark();
  PushRestriction("r2", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":4,"previousDuration":4})");
  EXPECT_THAT(EventLines(), ElementsAre("Delete /arx-player-behavior/v1/ranked-restriction",
                                        "Create /arx-player-behavior/v1/ranked-restriction"));
  EXPECT_EQ(Events()[1].data.FieldOrEmpty("gamesRemaining").AsSigned(), 8);
  EXPECT_THAT(notifications_->posted(), IsEmpty());
  EXPECT_THAT(login_->invocations(), IsEmpty());
  EXPECT_EQ(Get("/arx-player-behavior/v1/chat-restriction").status, 404u);

  PushRestriction("c1", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2})");
  Mark();
  PushRestriction("c2", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":3})");
  EXPECT_THAT(EventLines(), ElementsAre("Delete /arx-player-behavior/v1/chat-restriction",
                                        "Create /arx-player-behavior/v1/chat-restriction"));
}

TEST_F(Restrictions, UnknownTypesUseAnIdentifierAndEmptyParametersChangeNothing) {
  PushRestriction("a", R"({"restrictionType":"IN_GAME_CHAT"})");
  const uint64_t first = IdOf(Get("/arx-player-behavior/v1/chat-restriction").value);

  Mark();
  PushRestriction("b", R"({"restrictionType":"VOICE"})");
  PushRestriction("c", "not json");
  EXPECT_THAT(LogsWith("Received 'harassment.restriction VOICE' message"), SizeIs(1));
  EXPECT_THAT(LogsWith("Received 'harassment.restriction ' message"), SizeIs(1));
  PushSimple("harassment.restriction", "d", "[]");
  EXPECT_THAT(LogsWith("harassment.restriction"), SizeIs(2));
  EXPECT_THAT(EventLines(), IsEmpty());
  EXPECT_THAT(login_->invocations(), SizeIs(1));

  PushRestriction("e", R"({"restrictionType":"IN_GAME_CHAT"})");
  // Two identifiers went to the messages that stored nothing.
  EXPECT_EQ(IdOf(Get("/arx-player-behavior/v1/chat-restriction").value), first + 3);
}

TEST_F(Restrictions, FailedNotificationOrAcknowledgementKeepsTheRestriction) {
  login_->FailInvokes(503, "back end away");
  PushRestriction("m", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2})");
  EXPECT_THAT(login_->invocations(), SizeIs(1));
  const CallResult chat = Get("/arx-player-behavior/v1/chat-restriction");
  ASSERT_FALSE(chat.failed);
  EXPECT_EQ(chat.value.FieldOrEmpty("gamesRemaining").AsSigned(), 2);
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
