// Bans: from an account-banned login error, from the login data packet's ban date and from
// a forced client shutdown. Each replaces the held ban, logs one line and publishes.
#include <string>

#include "player_behavior/json_or_empty.h"
#include "player_behavior/ban_rules.h"
#include "player_behavior/player_behavior_log.h"
#include "player_behavior/player_behavior_service.h"
#include "player_behavior/resource_paths.h"

namespace Vela::Client::PlayerBehavior {

Api::BanNotification& PlayerBehaviorService::StartNewBan() {
  if (ban_.id != 0) {
    ban_ = Api::BanNotification{};
    host_.PublishResourceDeletion(kBanPath);
  }
  ban_ = Api::BanNotification{};
  ban_.id = TakeId();
  return ban_;
}

void PlayerBehaviorService::HandleLoginError(const Api::PlayerBehavior_LoginError& error) {
  if (error.messageId != kAccountBannedMessageId) return;
  const BindingProperty description = ParseJsonOrEmpty(error.description);
  const std::string banReason = description.FieldOrEmpty("banReason").AsText();
  const uint64_t expiration = description.FieldOrEmpty("expiration").AsUnsigned(0);
  const bool permanent = banReason == kPermaBanReason || IsBeyondPermanentHorizon(expiration, host_.NowEpochMillis());

  Api::BanNotification& ban = StartNewBan();
  ban.source = Api::NotificationSource::Login;
  ban.reason = banReason.empty() ? std::string(kBannedReason) : banReason;
  if (permanent && banReason == kAltBan3Reason) ban.reason = kAltBan3PermaBanReason;
  ban.timeUntilBanExpires = expiration;
  ban.isPermaBan = permanent;
  ban.displayReformCard = false;
  LogPlayerBehavior(kAccountBannedLogFormat, banReason.c_str(), BanUntilText(expiration, permanent).c_str());
  host_.PublishResource(kBanPath, ban_);
}

void PlayerBehaviorService::HandleBannedUntilDate(uint64_t bannedUntilMillis) {
  const bool permanent = IsBeyondPermanentHorizon(bannedUntilMillis, host_.NowEpochMillis());
  Api::BanNotification& ban = StartNewBan();
  ban.source = Api::NotificationSource::Login;
  ban.reason = kPrimeSystemReason;
  ban.timeUntilBanExpires = bannedUntilMillis;
  ban.isPermaBan = permanent;
  ban.displayReformCard = true;
  LogPlayerBehavior(kBannedUntilLogFormat, BanUntilText(bannedUntilMillis, permanent).c_str());
  host_.PublishResource(kBanPath, ban_);
}

void PlayerBehaviorService::OnForcedClientShutdown(const Lcds::PlayerBehaviorLcdsForcedClientShutdown& message) {
  std::optional<std::string> reason = ForcedShutdownBanReason(message.reason, message.additionalInfo);
  if (!reason) return;  // a shutdown for another cause is no ban
  Api::BanNotification& ban = StartNewBan();
  ban.source = Api::NotificationSource::ForcedShutdown;
  ban.reason = std::move(*reason);
  LogPlayerBehavior(kForcedShutdownLogFormat, message.reason.c_str(), message.additionalInfo.c_str());
  host_.PublishResource(kBanPath, ban_);
}

}  // namespace Vela::Client::PlayerBehavior
