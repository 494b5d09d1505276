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
// its own thread and the service takes no lock. A reform card fetch, an acknowledgement and
// a player notification wait for their replies and may let the host run other entries
// meanwhile (the entries that may do so end in AndWait); the state changes only before such
// a wait or after it. The entries are public so that the service can be driven on its own,
// against any PlayerBehaviorHost.
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
#include "rest/rest_function.h"

namespace Vela {
class ApiRegistry;
class BindingRegistry;
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
// The root name under which a login data packet's simple messages are converted.
inline constexpr std::string_view kSimpleMessageRootName = "simpleMessages";

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
  // functions. Called once, during the handshake. A login data packet's messages convert
  // with `api`'s types, which must outlive the service.
  void RegisterApi(ApiRegistry& api, LcdsClassTable& classes);
  // Subscribes, in order, to forced client shutdowns, simple dialog messages, the platform
  // configuration, the login session, the login data packet and the game-flow session.
  // Observed resources are read at once, so handlers may run (and wait) from here.
  void Subscribe(LcdsCalls& lcds, ResourceObservers& observers);

  // --- What the subscriptions deliver (player_behavior_service.cpp, bans.cpp, messages.cpp). ---
  void OnConfigAndWait(const ResourceUpdate<Api::PlayerBehaviorConfig>& update);
  void OnLoginSession(const ResourceUpdate<Api::PlayerBehavior_LoginSession>& update);
  void OnGameflowSessionAndWait(const ResourceUpdate<Api::PlayerBehavior_GameflowSessionResource>& update);
  void OnLoginDataPacketAndWait(const ResourceUpdate<BindingProperty>& update);
  void OnForcedClientShutdown(const Lcds::PlayerBehaviorLcdsForcedClientShutdown& message);
  void OnSimpleMessageAndWait(const Api::PlayerBehavior_SimpleMessage& message);

  // --- What the REST functions answer (rest_resources.cpp, reporter_feedback.cpp): a
  // record that is not held answers 404 "Not found". ---
  [[nodiscard]] RestResult<Api::BanNotification> GetBan() const;
  [[nodiscard]] RestResult<Api::RestrictionNotification> GetChatRestriction() const;
  [[nodiscard]] RestResult<Api::RestrictionNotification> GetRankedRestriction() const;
  // Defaults until a configuration has arrived.
  [[nodiscard]] const Api::PlayerBehaviorConfig& GetConfig() const noexcept { return config_; }
  [[nodiscard]] RestResult<Api::ReformCard> GetReformCard() const;
  [[nodiscard]] RestResult<Api::ReformCardV2> GetReformCardV2() const;
  // Empty while the player is in a game.
  [[nodiscard]] std::vector<Api::ReporterFeedback> VisibleReporterFeedback() const;
  // `id` is the path's text: one that does not read as a number answers 400.
  [[nodiscard]] RestResult<Api::ReporterFeedback> GetReporterFeedback(const std::string& id) const;
  [[nodiscard]] RestResult<Api::ReporterFeedback> DeleteReporterFeedbackAndWait(const std::string& id);

 private:
  // --- The reform card trigger (player_behavior_service.cpp). ---
  // Sets the pending request and fetches at once when the player is idle.
  void WantReformCardAndWait();
  // Fetches the pending card when a configuration has arrived and the phase is None.
  void FetchPendingReformCardWhenIdleAndWait();
  uint64_t TakeId() { return nextId_++; }

  // --- Bans (bans.cpp). ---
  // Drops a held ban (publishing its deletion) and starts the next one with a new id; the
  // caller fills it, logs and publishes it.
  Api::BanNotification& StartNewBan();
  void HandleLoginError(const Api::PlayerBehavior_LoginError& error);
  void HandleBannedUntilDate(uint64_t bannedUntilMillis);

  // --- Restrictions (restrictions.cpp). ---
  // Resets `held` to the default record, publishing its deletion at `path`, when it is held.
  void DropRestriction(Api::RestrictionNotification& held, std::string_view path);
  void HandleRestrictionMessageAndWait(std::string_view msgId, const std::vector<std::string>& params);
  void ClearChatRestrictionForLogin(int64_t chatGames);
  void StoreRankedRestrictionForLogin(int64_t rankedGames);
  void StoreChatRestrictionForLogin(int64_t chatGames);

  // --- Reform cards (reform_cards.cpp). ---
  void FetchReformCardAndWait();
  void FetchReformCardV2AndWait();

  // --- Reporter feedback (reporter_feedback.cpp). ---
  void AddReporterFeedback(std::string_view msgId, std::string_view type);

  // --- Back-end messages (messages.cpp). ---
  // Sends "ack" for `msgId`; none on success, else the 500 failure with the invoke's
  // message.
  std::optional<RestFailure> AcknowledgeAndWait(std::string_view msgId);

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
  // Set by RegisterApi; until then a login data packet's messages keep their defaults.
  const BindingRegistry* types_ = nullptr;
};

}  // namespace Vela::Client::PlayerBehavior
