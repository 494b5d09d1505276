#include "player_behavior/chat_restriction_notification.h"

#include <string>

namespace Vela::Client::PlayerBehavior {

Api::PlayerNotificationResource ChatRestrictionNotification(int64_t gamesRemaining) {
  Api::PlayerNotificationResource notification;
  notification.critical = false;
  notification.data.emplace(std::string(kGamesRemainingKey), std::to_string(gamesRemaining));
  notification.iconUrl = kChatRestrictionIconUrl;
  if (gamesRemaining <= 0) {
    notification.titleKey = kChatRestrictionFinishedTitleKey;
    notification.detailKey = kChatRestrictionFinishedDetailKey;
  } else {
    notification.titleKey = gamesRemaining == 1 ? kChatRestrictionSingularTitleKey : kChatRestrictionPluralTitleKey;
    notification.detailKey = kChatRestrictionDetailKey;
  }
  return notification;
}

}  // namespace Vela::Client::PlayerBehavior
