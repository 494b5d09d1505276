// PlayerBehaviorService: everything the plugin knows about the player's standing (the ban,
// the chat and ranked restrictions, the reform cards, the reporter feedback, the platform
// configuration) and the rules that change it. It reaches the rest of the plugin only
// through PlayerBehaviorHost; every change it makes is published at once as a resource
// event, a replacement as a Delete followed by a Create.
//
//   PlayerBehaviorService service(module);          // the module implements the host
//   service.RegisterApi(api, module.lcds().classes());   // records, then REST functions
//   service.Subscribe(module.lcds(), module.observers()); // messages, then resources
//
// One thread: the host calls every entry (REST handlers, observers, message handlers) on
// its own thread and the service takes no lock. A reform card fetch and an acknowledgement
// wait for their replies and may let the host run other entries meanwhile; the state
// changes only before such a wait or after it.
//
// Implementation by theme: player_behavior_service.cpp (state, subscriptions, sibling
// resources, reform card trigger), bans.cpp, restrictions.cpp, reform_cards.cpp,
// reporter_feedback.cpp, messages.cpp, rest_resources.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "calls/resource_observers.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_host.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/sibling_records.h"

namespace Vela {
class ApiRegistry;
class LcdsCalls;
class LcdsClassTable;
}  // namespace Vela

namespace Vela::Client::PlayerBehavior {

// The acknowledgement of a simple message.
inline constexpr std::string_view kAckDestination = "clientFacadeService";
inline constexpr std::string_view kAckOperation = "callPersistenceMessaging";
inline constexpr std::string_view kAckCommand = "ack";
// The reform card service.
inline constexpr std::string_view kReformCardService = "toxicfeedback.server";
inline constexpr std::string_view kGetReformCardMethod = "getReformCard";
inline constexpr std::string_view kGetReformCardV2Method = "getReformCardV2";
// Simple message types.
inline constexpr std::string_view kHarassmentRestrictionType = "harassment.restriction";
inline constexpr std::string_view kDisplayReformCardType = "prime.display_reform_card";
inline constexpr std::string_view kReporterFeedbackTypes[] = {
    "tribunal.reporter.feedback", "tribunal.previous_reporter.feedback", "tribunal.cheating.feedback"};
inline constexpr std::string_view kAccountBannedMessageId = "ACCOUNT_BANNED";
inline constexpr std::string_view kPermaBanReason = "PERMA_BAN";
inline constexpr std::string_view kAltBan3Reason = "ALTBAN-3";
inline constexpr std::string_view kAltBan3PermaBanReason = "ALTBAN-3-PERMABAN";
inline constexpr std::string_view kInGameChatRestriction = "IN_GAME_CHAT";
inline constexpr std::string_view kRankedGameRestriction = "RANKED_GAME_RESTRICTION";

// Log lines (level 3, group DBG).
inline constexpr const char* kAccountBannedLogFormat = "Player's account is banned (reason: '%s') until %s";
inline constexpr const char* kBannedUntilLogFormat = "Player's account is BANNED until %s";
inline constexpr const char* kForcedShutdownLogFormat = "Player banned %s: %s";
inline constexpr const char* kRestrictionMessageLogFormat = "Received 'harassment.restriction %s' message";
inline constexpr const char* kRankedRestrictedLogFormat = "Player's account is RANKED RESTICTED for %lli more games.";
inline constexpr const char* kChatRestrictedLogFormat = "Player's account is CHAT RESTICTED for %lli more games.";
inline constexpr const char* kReformCardLogFormat = "Player's account has a REFORM CARD: %s - %s";
inline constexpr const char* kReformCardV2LogFormat = "Player's account has a REFORM CARD V2: %s - %s";

class PlayerBehaviorService {
 public:
  explicit PlayerBehaviorService(PlayerBehaviorHost& host);
  PlayerBehaviorService(const PlayerBehaviorService&) = delete;
  PlayerBehaviorService& operator=(const PlayerBehaviorService&) = delete;

  // Registers the records (Api, then LCDS with their class names), then the nine REST
  // functions. Called once, during the handshake.
  void RegisterApi(ApiRegistry& api, LcdsClassTable& classes);
  // Subscribes, in order, to forced client shutdowns, simple dialog messages, the platform
  // configuration, the login session, the login data packet and the game-flow session.
  // Observed resources are read at once, so handlers may run (and wait) from here.
  void Subscribe(LcdsCalls& lcds, ResourceObservers& observers);

 private:
  // --- Sibling resources and the reform card trigger (player_behavior_service.cpp). ---
  void OnConfig(const ResourceUpdate<Api::PlayerBehaviorConfig>& update);
  void OnLoginSession(const ResourceUpdate<Api::PlayerBehavior_LoginSession>& update);
  void OnGameflowSession(const ResourceUpdate<Api::PlayerBehavior_GameflowSessionResource>& update);
  // Sets the pending request and fetches at once when the player is idle.
  void WantReformCard();
  // Fetches the pending card when a configuration has arrived and the phase is None.
  void FetchPendingReformCardWhenIdle();
  uint64_t TakeId() { return nextId_++; }

  // --- Bans (bans.cpp). ---
  // Drops a held ban (publishing its deletion) and starts the next one with a new id; the
  // caller fills it, logs and publishes it.
  Api::BanNotification& StartNewBan();
  void HandleLoginError(const Api::PlayerBehavior_LoginError& error);
  void HandleBannedUntilDate(uint64_t bannedUntilMillis);
  void OnForcedClientShutdown(const Lcds::PlayerBehaviorLcdsForcedClientShutdown& message);

  // --- Restrictions (restrictions.cpp). ---
  // Resets `held` to the default record, publishing its deletion at `path`, when it is held.
  void DropRestriction(Api::RestrictionNotification& held, std::string_view path);
  void HandleRestrictionMessage(std::string_view msgId, const std::vector<std::string>& params);
  void ClearChatRestrictionForLogin(int64_t chatGames);
  void StoreRankedRestrictionForLogin(int64_t rankedGames);
  void StoreChatRestrictionForLogin(int64_t chatGames);

  // --- Reform cards (reform_cards.cpp). ---
  void FetchReformCard();
  void FetchReformCardV2();

  // --- Reporter feedback (reporter_feedback.cpp). ---
  void AddReporterFeedback(std::string_view msgId, std::string_view type);
  [[nodiscard]] std::vector<Api::ReporterFeedback> VisibleReporterFeedback() const;
  [[nodiscard]] RestResult<Api::ReporterFeedback> GetReporterFeedback(const std::string& id) const;
  [[nodiscard]] RestResult<Api::ReporterFeedback> DeleteReporterFeedback(const std::string& id);

  // --- Back-end messages (messages.cpp). ---
  void OnSimpleMessage(const Api::PlayerBehavior_SimpleMessage& message);
  void OnLoginDataPacket(const ResourceUpdate<BindingProperty>& update);
  // Sends "ack" for `msgId`; none on success, else the 500 failure with the invoke's
  // message. May yield to the host.
  std::optional<RestFailure> Acknowledge(std::string_view msgId);

  // --- REST functions (rest_resources.cpp). ---
  void RegisterRestFunctions(ApiRegistry& api);

  std::string notificationsUrl_;
  PlayerBehaviorHost& host_;
  bool configReceived_ = false;
  Api::PlayerBehaviorConfig config_;
  Api::BanNotification ban_;
  Api::RestrictionNotification chatRestriction_;
  Api::RestrictionNotification rankedRestriction_;
  Api::ReformCard reformCard_;
  Api::ReformCardV2 reformCardV2_;
  std::vector<Api::ReporterFeedback> reporterFeedback_;
  uint64_t accountId_ = 0;
  bool loggedIn_ = false;
  bool reformCardPending_ = false;
  Api::GameflowPhase phase_ = Api::GameflowPhase::None;
  uint64_t nextId_ = 1;
};

}  // namespace Vela::Client::PlayerBehavior
