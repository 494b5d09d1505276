// PlayerBehaviorModule: the plugin module of arx-player-behavior. It owns the player
// behaviour service and is the service's PlayerBehaviorHost: publishing and the back-end
// calls go through the module's tables and the host.
//
//   auto module = std::make_unique<PlayerBehaviorModule>();   // creates the service
//   LoadPluginModule(block, kPluginShortName, std::move(module));
//   // handshake → RegisterApi (records, REST functions); Start → OnStart (subscriptions)
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "player_behavior/player_behavior_host.h"
#include "player_behavior/player_behavior_service.h"
#include "plugin/app_module.h"

namespace Vela::Client::PlayerBehavior {

inline constexpr std::string_view kPluginShortName = "arx-player-behavior";

class PlayerBehaviorModule final : public AppModule, public PlayerBehaviorHost {
 public:
  PlayerBehaviorModule();
  ~PlayerBehaviorModule() override;

  void RegisterApi() override;
  bool OnStart() override;

  // --- PlayerBehaviorHost. ---
  void PublishResource(std::string_view path, const Api::ReformCardV2& card) override;
  void PublishResource(std::string_view path, const Api::ReformCard& card) override;
  void PublishResource(std::string_view path, const Api::RestrictionNotification& restriction) override;
  void PublishResource(std::string_view path, const Api::BanNotification& ban) override;
  void PublishResource(std::string_view path, const std::vector<Api::ReporterFeedback>& entries) override;
  void PublishResource(std::string_view path, const Api::ReporterFeedback& entry) override;
  void PublishResource(std::string_view path, const Api::PlayerBehaviorConfig& config) override;
  void PublishResourceDeletion(std::string_view path) override;

  MaybeType<Failure, bool> InvokeLcdsAndWait(std::string_view destination, std::string_view operation,
                                             const Lcds::PlayerBehaviorSimpleMessageResponse& response) override;
  MaybeType<Failure, Api::PlayerNotificationResource> PostNotificationAndWait(
      std::string_view url, const Api::PlayerNotificationResource& notification) override;
  MaybeType<Failure, std::vector<Lcds::Punishment>> RequestPunishmentsAndWait(std::string_view service,
                                                                              std::string_view method) override;
  MaybeType<Failure, Api::ReformCardV2> RequestReformCardV2AndWait(std::string_view service,
                                                                   std::string_view method) override;

  EpochMillis NowEpochMillis() override;

 private:
  template <class T>
  void PublishRecord(std::string_view path, const T& record);

  std::unique_ptr<PlayerBehaviorService> service_;
};

}  // namespace Vela::Client::PlayerBehavior
