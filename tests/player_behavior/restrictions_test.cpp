// Chat and ranked restrictions from "harassment.restriction" messages against a fake host:
// what is stored and published, the notification and acknowledgement of a chat restriction,
// and the failures that leave it stored.
#include <string>

#include "fake_host.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kDeleteRanked = "Delete /arx-player-behavior/v1/ranked-restriction";

class Restrictions : public ServiceTest {
 protected:
  void Restriction(std::string_view msgId, std::string_view restrictionJson) {
    Message("harassment.restriction", msgId, {std::string(restrictionJson)});
  }
};

TEST_F(Restrictions, AChatRestrictionIsPublishedThenNotifiedThenAcknowledged) {
  Restriction("m1", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2,"previousDuration":1})");
  EXPECT_THAT(host_.TakeEffects(),
              ElementsAre(kCreateChat, kPost, "invoke clientFacadeService.callPersistenceMessaging m1"));
  ASSERT_EQ(host_.posted.size(), 1u);
  EXPECT_EQ(host_.posted[0].data["gamesRemaining"], "3");
  const Api::RestrictionNotification chat = service_.GetChatRestriction().result.value();
  EXPECT_EQ(chat.id, 1u);
  EXPECT_EQ(chat.gamesRemaining, 3);
  EXPECT_EQ(chat.source, Api::NotificationSource::Message);
  EXPECT_FALSE(chat.displayReformCard);
}

TEST_F(Restrictions, ReplacementsDeleteFirstAndRankedOnesRaiseNothing) {
  Restriction("r1", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":5})");
  Restriction("r2", R"({"restrictionType":"RANKED_GAME_RESTRICTION","durationDelta":4,"previousDuration":4})");
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kCreateRanked, kDeleteRanked, kCreateRanked));
  EXPECT_EQ(service_.GetRankedRestriction().result.value().gamesRemaining, 8);
  EXPECT_EQ(service_.GetRankedRestriction().result.value().id, 2u);
  EXPECT_EQ(service_.GetChatRestriction().status, 404u);
}

TEST_F(Restrictions, UnknownTypesUseAnIdentifierAndEmptyParametersChangeNothing) {
  Restriction("a", R"({"restrictionType":"IN_GAME_CHAT"})");
  const uint64_t first = service_.GetChatRestriction().result.value().id;
  host_.TakeEffects();
  TakeLogs();

  Restriction("b", R"({"restrictionType":"VOICE"})");
  Restriction("c", "not json");
  Message("harassment.restriction", "d");
  EXPECT_THAT(TakeLogs(), ElementsAre("Received 'harassment.restriction VOICE' message",
                                      "Received 'harassment.restriction ' message"));
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());

  Restriction("e", R"({"restrictionType":"IN_GAME_CHAT"})");
  // Two identifiers went to the messages that stored nothing.
  EXPECT_EQ(service_.GetChatRestriction().result.value().id, first + 3);
}

TEST_F(Restrictions, FailedNotificationOrAcknowledgementKeepsTheRestriction) {
  host_.postReply = MaybeType<Failure, Api::PlayerNotificationResource>::FromFailure("no notifications");
  host_.invokeReply = MaybeType<Failure, bool>::FromFailure("back end away");
  Restriction("m", R"({"restrictionType":"IN_GAME_CHAT","durationDelta":2})");
  EXPECT_THAT(host_.TakeEffects(),
              ElementsAre(kCreateChat, kPost, "invoke clientFacadeService.callPersistenceMessaging m"));
  EXPECT_EQ(service_.GetChatRestriction().result.value().gamesRemaining, 2);
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
