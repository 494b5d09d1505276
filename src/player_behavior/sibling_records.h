// The records the plugin reads from and sends to sibling plugins: the login session, the
// game-flow session, the player notification it posts and the simple messages replayed from
// the login data packet. Wire keys are the field names as written.
//
//   Api::PlayerBehavior_LoginSession session;   // state IN_PROGRESS, no error
//   if (session.error) Examine(*session.error);
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/static_type.h"

namespace Vela::Client::PlayerBehavior::Api {

// The numbers are the login plugin's; they are not in declaration order.
enum class PlayerBehavior_LoginSessionState : int32_t {
  IN_PROGRESS = 0,
  SUCCEEDED = 1,
  LOGGING_OUT = 2,
  ERROR = 3,
};

struct PlayerBehavior_LoginError {
  std::string id;
  std::string messageId;
  std::string description;  // JSON text for an account ban
};

struct PlayerBehavior_LoginSession {
  PlayerBehavior_LoginSessionState state = PlayerBehavior_LoginSessionState::IN_PROGRESS;
  std::optional<PlayerBehavior_LoginError> error;
  uint64_t summonerId = 0;
  uint64_t accountId = 0;
};

enum class GameflowPhase : int32_t {
  None = 0,
  Lobby = 1,
  Matchmaking = 2,
  CheckedIntoTournament = 3,
  ReadyCheck = 4,
  ChampSelect = 5,
  GameStart = 6,
  FailedToLaunch = 7,
  InProgress = 8,
  Reconnect = 9,
  WaitingForStats = 10,
  PreEndOfGame = 11,
  EndOfGame = 12,
  TerminatedInError = 13,
};

struct PlayerBehavior_GameflowSessionResource {
  GameflowPhase phase = GameflowPhase::None;
};

// The body posted to the player-notifications plugin.
struct PlayerNotificationResource {
  std::string backgroundUrl;
  std::string created;
  bool critical = false;
  std::map<std::string, std::string> data;
  std::string detailKey;
  std::string expires;
  std::string iconUrl;
  uint64_t id = 0;
  std::string source;
  std::string state;
  std::string titleKey;
  std::string type;
};

// One entry of the login data packet's `simpleMessages`: the fields of a pushed simple
// dialog message.
struct PlayerBehavior_SimpleMessage {
  uint64_t accountId = 0;
  std::string msgId;
  std::string type;
  std::vector<std::string> params;
};

}  // namespace Vela::Client::PlayerBehavior::Api

VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehavior_LoginSessionState);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehavior_LoginError);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehavior_LoginSession);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::GameflowPhase);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehavior_GameflowSessionResource);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerNotificationResource);
VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::PlayerBehavior_SimpleMessage);
