// The paths of the plugin's own resources: its REST functions answer on them and its
// resource events are published on them.
#pragma once

#include <string_view>

namespace Vela::Client::PlayerBehavior {

inline constexpr std::string_view kBanPath = "/arx-player-behavior/v1/ban";
inline constexpr std::string_view kChatRestrictionPath = "/arx-player-behavior/v1/chat-restriction";
inline constexpr std::string_view kConfigPath = "/arx-player-behavior/v1/config";
inline constexpr std::string_view kRankedRestrictionPath = "/arx-player-behavior/v1/ranked-restriction";
inline constexpr std::string_view kReformCardPath = "/arx-player-behavior/v1/reform-card";
inline constexpr std::string_view kReformCardV2Path = "/arx-player-behavior/v2/reform-card";
inline constexpr std::string_view kReporterFeedbackPath = "/arx-player-behavior/v1/reporter-feedback";
inline constexpr std::string_view kReporterFeedbackEntryTemplate = "/arx-player-behavior/v1/reporter-feedback/{id}";

// Resources of other plugins the service follows.
inline constexpr std::string_view kPlatformConfigPath = "/arx-platform-config/v1/namespaces/PlayerBehavior";
inline constexpr std::string_view kLoginSessionPath = "/arx-login/v1/session";
inline constexpr std::string_view kLoginDataPacketPath = "/arx-login/v1/login-data-packet";
inline constexpr std::string_view kGameflowSessionPath = "/arx-gameflow/v1/session";
inline constexpr std::string_view kNotificationsUrl = "/player-notifications/v1/notifications";

}  // namespace Vela::Client::PlayerBehavior
