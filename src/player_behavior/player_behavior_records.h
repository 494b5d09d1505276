// The records the plugin serves and publishes: what it knows of the player's standing.
//
//   Api::BanNotification ban;          // id 0: no ban held
//   ban.source = Api::NotificationSource::Login;
//
// Every field's wire key is its name as written here, and fields are registered in
// declaration order (player_behavior_registration.cpp). A record whose `id` is 0 is not
// held; identifiers are handed out by the service, never taken from the back end.
// Defaults matter: a missing member on input keeps the native default, so the -1 game
// counts below mean "not given", never 0 games.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/static_type.h"

namespace Vela::Client::PlayerBehavior::Api {

enum class NotificationSource : int32_t {
  Invalid = 0,
  Login = 1,           // the login session or the login data packet
  ForcedShutdown = 2,  // a forced client shutdown message
  Message = 3,         // a simple dialog message
};

struct PlayerBehaviorConfig {
  bool ReformCardV2Enabled = false;
};

struct BanNotification {
  uint64_t id = 0;
  NotificationSource source = NotificationSource::Invalid;
  std::string reason;
  // The ban's end as milliseconds since 1970 (an absolute time despite the name); 0 when
  // not given.
  uint64_t timeUntilBanExpires = 0;
  bool isPermaBan = false;
  bool displayReformCard = false;
};

// The chat restriction and the ranked restriction alike.
struct RestrictionNotification {
  uint64_t id = 0;
  NotificationSource source = NotificationSource::Invalid;
  int64_t gamesRemaining = -1;
  bool displayReformCard = false;
};

struct ReformCard {
  uint64_t id = 0;
  std::string punishmentType;
  std::string reason;
  uint64_t timeWhenPunishmentExpires = 0;
  uint64_t punishmentLengthTime = 0;
  int64_t punishmentLengthGames = -1;
  int64_t restrictedChatGamesRemaining = -1;
  std::vector<std::string> chatLogs;
  std::vector<uint64_t> gameIds;
  std::string playerFacingMessage;
};

struct ReformCardChatLogs {
  std::vector<std::string> preGameChatLogs;
  std::vector<std::string> inGameChatLogs;
  std::vector<std::string> postGameChatLogs;
};

struct ReformCardV2 {
  uint64_t id = 0;
  std::string punishmentType;
  std::string punishmentReason;
  uint64_t punishedUntilDateMillis = 0;
  uint64_t punishmentLengthMillis = 0;
  int64_t punishmentLengthGames = -1;
  std::vector<ReformCardChatLogs> punishedForReformCardChatLogs;
  std::vector<uint64_t> punishedForGameIds;
  std::string playerFacingMessage;
};

struct ReporterFeedback {
  uint64_t id = 0;
  // The back-end message that produced the entry, kept to acknowledge it on deletion.
  // Deliberately not registered: it is never written to results or events.
  std::string msgId;
  std::string type;
};

}  // namespace Vela::Client::PlayerBehavior::Api

VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::NotificationSource);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehaviorConfig);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::BanNotification);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::RestrictionNotification);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::ReformCard);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::ReformCardChatLogs);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::ReformCardV2);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::ReporterFeedback);
