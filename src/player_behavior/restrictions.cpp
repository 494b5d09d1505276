// Chat and ranked restrictions: from "harassment.restriction" messages and from the login
// data packet's counts. A new chat restriction from a message also raises a player
// notification and is acknowledged to the back end.
#include <string>

#include "player_behavior/chat_restriction_notification.h"
#include "player_behavior/json_or_empty.h"
#include "player_behavior/player_behavior_log.h"
#include "player_behavior/player_behavior_service.h"
#include "player_behavior/resource_paths.h"

namespace Vela::Client::PlayerBehavior {

void PlayerBehaviorService::DropRestriction(Api::RestrictionNotification& held, std::string_view path) {
  if (held.id == 0) return;
  held = Api::RestrictionNotification{};
  host_.PublishResourceDeletion(path);
}

void PlayerBehaviorService::HandleRestrictionMessageAndWait(std::string_view msgId,
                                                     const std::vector<std::string>& params) {
  const BindingProperty restriction = ParseJsonOrEmpty(params.front());
  const std::string restrictionType = restriction.FieldOrEmpty("restrictionType").AsText();
  LogPlayerBehavior(kRestrictionMessageLogFormat, restrictionType.c_str());

  Api::RestrictionNotification record;
  record.id = TakeId();  // taken whatever the type, so an unknown type uses one up
  record.source = Api::NotificationSource::Message;
  record.displayReformCard = false;
  // Added as the back end's unsigned counts; the sum reads as a signed count.
  record.gamesRemaining = static_cast<int64_t>(restriction.FieldOrEmpty("durationDelta").AsUnsigned(0) +
                                               restriction.FieldOrEmpty("previousDuration").AsUnsigned(0));

  if (restrictionType == kInGameChatRestriction) {
    DropRestriction(chatRestriction_, kChatRestrictionPath);
    chatRestriction_ = record;
    host_.PublishResource(kChatRestrictionPath, chatRestriction_);
    // Neither outcome matters to the stored restriction.
    (void)host_.PostNotificationAndWait(notificationsUrl_, ChatRestrictionNotification(record.gamesRemaining));
    (void)AcknowledgeAndWait(msgId);
  } else if (restrictionType == kRankedGameRestriction) {
    DropRestriction(rankedRestriction_, kRankedRestrictionPath);
    rankedRestriction_ = record;
    host_.PublishResource(kRankedRestrictionPath, rankedRestriction_);
  }
}

void PlayerBehaviorService::ClearChatRestrictionForLogin(int64_t chatGames) {
  // The new chat restriction is stored after the reform card request, which may mark it.
  if (chatGames > 0) DropRestriction(chatRestriction_, kChatRestrictionPath);
}

void PlayerBehaviorService::StoreRankedRestrictionForLogin(int64_t rankedGames) {
  if (rankedGames <= 0) return;
  DropRestriction(rankedRestriction_, kRankedRestrictionPath);
  rankedRestriction_.id = TakeId();
  rankedRestriction_.source = Api::NotificationSource::Login;
  rankedRestriction_.gamesRemaining = rankedGames;
  LogPlayerBehavior(kRankedRestrictedLogFormat, static_cast<long long>(rankedGames));
  host_.PublishResource(kRankedRestrictionPath, rankedRestriction_);
}

void PlayerBehaviorService::StoreChatRestrictionForLogin(int64_t chatGames) {
  if (chatGames <= 0) return;
  // The reform card fetch before this step may have let a restriction message in; that one
  // is replaced like any held restriction, and the card's mark is kept.
  if (chatRestriction_.id != 0) {
    const bool displayReformCard = chatRestriction_.displayReformCard;
    DropRestriction(chatRestriction_, kChatRestrictionPath);
    chatRestriction_.displayReformCard = displayReformCard;
  }
  chatRestriction_.id = TakeId();
  chatRestriction_.source = Api::NotificationSource::Login;
  chatRestriction_.gamesRemaining = chatGames;
  LogPlayerBehavior(kChatRestrictedLogFormat, static_cast<long long>(chatGames));
  host_.PublishResource(kChatRestrictionPath, chatRestriction_);
}

}  // namespace Vela::Client::PlayerBehavior
