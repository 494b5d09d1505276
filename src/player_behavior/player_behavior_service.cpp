// The service's state, its subscriptions, the sibling resources it follows and the reform
// card trigger.
#include "player_behavior/player_behavior_service.h"

#include <functional>
#include <utility>

#include "calls/lcds_calls.h"
#include "player_behavior/player_behavior_registration.h"
#include "player_behavior/reporter_feedback_list.h"
#include "player_behavior/resource_paths.h"
#include "rest/api_registry.h"

namespace Vela::Client::PlayerBehavior {

using Plugin::PluginResourceEventType;

PlayerBehaviorService::PlayerBehaviorService(PlayerBehaviorHost& host)
    : notificationsUrl_(kNotificationsUrl), host_(host) {}

void PlayerBehaviorService::RegisterApi(ApiRegistry& api, LcdsClassTable& classes) {
  RegisterPlayerBehaviorTypes(api.types(), classes);
  types_ = &api.types();
  RegisterRestFunctions(api);
}

void PlayerBehaviorService::Subscribe(LcdsCalls& lcds, ResourceObservers& observers) {
  lcds.Subscribe<Lcds::PlayerBehaviorLcdsForcedClientShutdown>(
      Lcds::kForcedClientShutdownClass,
      [this](const Lcds::PlayerBehaviorLcdsForcedClientShutdown& message) { OnForcedClientShutdown(message); });
  lcds.Subscribe<Lcds::PlayerBehaviorLcdsSimpleMessage>(
      Lcds::kSimpleDialogMessageClass, [this](const Lcds::PlayerBehaviorLcdsSimpleMessage& message) {
        OnSimpleMessageAndWait(Api::PlayerBehavior_SimpleMessage{message.accountId, message.msgId, message.type,
                                                          message.params});
      });
  observers.Observe<Api::PlayerBehaviorConfig>(
      kPlatformConfigPath,
      [this](const ResourceUpdate<Api::PlayerBehaviorConfig>& update) { OnConfigAndWait(update); });
  observers.Observe<Api::PlayerBehavior_LoginSession>(
      kLoginSessionPath,
      [this](const ResourceUpdate<Api::PlayerBehavior_LoginSession>& update) { OnLoginSession(update); });
  observers.Observe<BindingProperty>(
      kLoginDataPacketPath, [this](const ResourceUpdate<BindingProperty>& update) { OnLoginDataPacketAndWait(update); });
  observers.Observe<Api::PlayerBehavior_GameflowSessionResource>(
      kGameflowSessionPath, [this](const ResourceUpdate<Api::PlayerBehavior_GameflowSessionResource>& update) {
        OnGameflowSessionAndWait(update);
      });
}

void PlayerBehaviorService::OnConfigAndWait(const ResourceUpdate<Api::PlayerBehaviorConfig>& update) {
  if (update.eventType == PluginResourceEventType::Delete) return;
  config_ = update.value;
  configReceived_ = true;
  // A card waiting for the configuration is fetched before the configuration is published.
  FetchPendingReformCardWhenIdleAndWait();
  host_.PublishResource(kConfigPath, config_);
}

void PlayerBehaviorService::OnLoginSession(const ResourceUpdate<Api::PlayerBehavior_LoginSession>& update) {
  if (update.eventType == PluginResourceEventType::Delete) {
    // Logging out forgets nothing the player was told: bans, restrictions and cards stay.
    loggedIn_ = false;
    return;
  }
  const Api::PlayerBehavior_LoginSession& session = update.value;
  loggedIn_ = session.state == Api::PlayerBehavior_LoginSessionState::SUCCEEDED && session.accountId != 0 &&
              session.summonerId != 0;
  if (session.state == Api::PlayerBehavior_LoginSessionState::ERROR && session.error.has_value()) {
    HandleLoginError(*session.error);
  }
}

void PlayerBehaviorService::OnGameflowSessionAndWait(
    const ResourceUpdate<Api::PlayerBehavior_GameflowSessionResource>& update) {
  if (update.eventType == PluginResourceEventType::Delete) {
    // The session ended: idle again, but a pending card waits for the next phase report.
    phase_ = Api::GameflowPhase::None;
    return;
  }
  phase_ = update.value.phase;
  FetchPendingReformCardWhenIdleAndWait();
  if (!reporterFeedback_.empty()) host_.PublishResource(kReporterFeedbackListEventPath, VisibleReporterFeedback());
}

void PlayerBehaviorService::WantReformCardAndWait() {
  reformCardPending_ = true;
  FetchPendingReformCardWhenIdleAndWait();
}

void PlayerBehaviorService::FetchPendingReformCardWhenIdleAndWait() {
  if (!configReceived_ || phase_ != Api::GameflowPhase::None || !reformCardPending_) return;
  // Cleared before the fetch: a failed or empty fetch consumes the request.
  reformCardPending_ = false;
  if (config_.ReformCardV2Enabled) {
    FetchReformCardV2AndWait();
  } else {
    FetchReformCardAndWait();
  }
}

}  // namespace Vela::Client::PlayerBehavior
