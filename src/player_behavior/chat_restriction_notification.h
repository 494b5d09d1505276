// The player notification raised for a new chat restriction: which title and body the
// front end shows for the number of games left.
//
//   Api::PlayerNotificationResource n = ChatRestrictionNotification(3);
//   // n.titleKey == "player_behavior_chat_restriction_notification_header_plural"
//   // n.data == {{"gamesRemaining", "3"}}
#pragma once

#include <cstdint>
#include <string_view>

#include "player_behavior/sibling_records.h"

namespace Vela::Client::PlayerBehavior {

inline constexpr std::string_view kChatRestrictionIconUrl = "/fe/arx-player-notifications/images/vela_fist.png";
inline constexpr std::string_view kGamesRemainingKey = "gamesRemaining";
inline constexpr std::string_view kChatRestrictionFinishedTitleKey =
    "player_behavior_chat_restriction_notification_finished_header";
inline constexpr std::string_view kChatRestrictionFinishedDetailKey =
    "player_behavior_chat_restriction_notification_finished_body";
inline constexpr std::string_view kChatRestrictionSingularTitleKey =
    "player_behavior_chat_restriction_notification_header_singular";
inline constexpr std::string_view kChatRestrictionPluralTitleKey =
    "player_behavior_chat_restriction_notification_header_plural";
inline constexpr std::string_view kChatRestrictionDetailKey = "player_behavior_chat_restriction_notification_body";

// Every field at its default except `data` (the count as decimal text), `iconUrl`,
// `titleKey` and `detailKey`: the finished keys for 0 or less, the singular title for 1,
// the plural title for more.
[[nodiscard]] Api::PlayerNotificationResource ChatRestrictionNotification(int64_t gamesRemaining);

}  // namespace Vela::Client::PlayerBehavior
