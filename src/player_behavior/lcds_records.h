// The back end's own records: the two messages it pushes over the LCDS connection, the
// acknowledgement sent back, and the punishment list of the first-version reform card.
// The first three travel under the back end's class names (kLcds*Class below).
//
//   Lcds::PlayerBehaviorSimpleMessageResponse ack{accountId, msgId, "ack"};
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/static_type.h"

namespace Vela::Client::PlayerBehavior::Lcds {

inline constexpr std::string_view kForcedClientShutdownClass =
    "com.velaworks.platform.messaging.ForcedClientShutdown";
inline constexpr std::string_view kSimpleDialogMessageClass =
    "com.velaworks.platform.messaging.persistence.SimpleDialogMessage";
inline constexpr std::string_view kSimpleDialogMessageResponseClass =
    "com.velaworks.platform.messaging.persistence.SimpleDialogMessageResponse";

struct PlayerBehaviorLcdsForcedClientShutdown {
  std::string reason;
  std::string additionalInfo;
};

struct PlayerBehaviorLcdsSimpleMessage {
  uint64_t accountId = 0;
  std::string msgId;
  std::string type;
  std::vector<std::string> params;
};

struct PlayerBehaviorSimpleMessageResponse {
  uint64_t accountId = 0;
  std::string msgId;
  std::string command;
};

// An element of the "getReformCard" reply.
struct Punishment {
  std::vector<std::string> punishedForChatLogs;
  std::vector<uint64_t> punishedForGameIds;
  std::string punishmentReason;
  std::string punishmentType;
  uint64_t punishedUntilDateMillis = 0;
  uint64_t punishmentLengthMillis = 0;
  bool permaBan = false;
  int64_t punishmentLengthGames = 0;
  std::string playerFacingMessage;
};

}  // namespace Vela::Client::PlayerBehavior::Lcds

VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Lcds::PlayerBehaviorLcdsForcedClientShutdown);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Lcds::PlayerBehaviorLcdsSimpleMessage);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Lcds::PlayerBehaviorSimpleMessageResponse);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Lcds::Punishment);
