// The player behaviour service on its own: a PlayerBehaviorHost that records each effect as
// one line, answers the back-end calls with set replies and tells a set time, and a fixture
// that drives the service's entries directly and collects its log lines.
//
//   "Create /arx-player-behavior/v1/ban"   "Delete /arx-player-behavior/v1/ban"
//   "invoke clientFacadeService.callPersistenceMessaging h1"   "post /player-notifications/v1/notifications"
//   "request toxicfeedback.server.getReformCard"
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calls/lcds_class_table.h"
#include "codecs/json.h"
#include "logging/logger.h"
#include "logging/logging_test_support.h"
#include "player_behavior/player_behavior_host.h"
#include "player_behavior/player_behavior_service.h"
#include "rest/api_registry.h"

namespace Vela::Client::PlayerBehavior::Testing {

// Effect lines that several suites expect.
inline constexpr std::string_view kCreateChat = "Create /arx-player-behavior/v1/chat-restriction";
inline constexpr std::string_view kDeleteChat = "Delete /arx-player-behavior/v1/chat-restriction";
inline constexpr std::string_view kCreateRanked = "Create /arx-player-behavior/v1/ranked-restriction";
inline constexpr std::string_view kCreateCard = "Create /arx-player-behavior/v1/reform-card";
inline constexpr std::string_view kRequestCard = "request toxicfeedback.server.getReformCard";
inline constexpr std::string_view kPost = "post /player-notifications/v1/notifications";

class FakeHost final : public PlayerBehaviorHost {
 public:
  void PublishResource(std::string_view path, const Api::ReformCardV2&) override { Created(path); }
  void PublishResource(std::string_view path, const Api::ReformCard&) override { Created(path); }
  void PublishResource(std::string_view path, const Api::RestrictionNotification&) override { Created(path); }
  void PublishResource(std::string_view path, const Api::BanNotification&) override { Created(path); }
  void PublishResource(std::string_view path, const std::vector<Api::ReporterFeedback>& entries) override {
    Created(path);
    lastList = entries;
  }
  void PublishResource(std::string_view path, const Api::ReporterFeedback&) override { Created(path); }
  void PublishResource(std::string_view path, const Api::PlayerBehaviorConfig&) override { Created(path); }
  void PublishResourceDeletion(std::string_view path) override { effects.push_back("Delete " + std::string(path)); }

  MaybeType<Failure, bool> InvokeLcdsAndWait(std::string_view destination, std::string_view operation,
                                             const Lcds::PlayerBehaviorSimpleMessageResponse& response) override {
    effects.push_back("invoke " + std::string(destination) + "." + std::string(operation) + " " + response.msgId);
    acknowledgedAccounts.push_back(response.accountId);
    Wait();
    return invokeReply;
  }
  MaybeType<Failure, Api::PlayerNotificationResource> PostNotificationAndWait(
      std::string_view url, const Api::PlayerNotificationResource& notification) override {
    effects.push_back("post " + std::string(url));
    posted.push_back(notification);
    Wait();
    return postReply;
  }
  MaybeType<Failure, std::vector<Lcds::Punishment>> RequestPunishmentsAndWait(std::string_view service,
                                                                              std::string_view method) override {
    effects.push_back("request " + std::string(service) + "." + std::string(method));
    Wait();
    return punishmentsReply;
  }
  MaybeType<Failure, Api::ReformCardV2> RequestReformCardV2AndWait(std::string_view service,
                                                                   std::string_view method) override {
    effects.push_back("request " + std::string(service) + "." + std::string(method));
    Wait();
    return cardV2Reply;
  }
  EpochMillis NowEpochMillis() override { return now; }

  // Every effect since the last call, then forgotten.
  std::vector<std::string> TakeEffects() { return std::exchange(effects, {}); }

  std::vector<std::string> effects;
  std::vector<uint64_t> acknowledgedAccounts;
  std::vector<Api::PlayerNotificationResource> posted;
  std::vector<Api::ReporterFeedback> lastList;
  MaybeType<Failure, bool> invokeReply{true};
  MaybeType<Failure, Api::PlayerNotificationResource> postReply{Api::PlayerNotificationResource{}};
  MaybeType<Failure, std::vector<Lcds::Punishment>> punishmentsReply{std::vector<Lcds::Punishment>{}};
  MaybeType<Failure, Api::ReformCardV2> cardV2Reply{Api::ReformCardV2{}};
  EpochMillis now = 1'700'000'000'000ULL;
  // Runs inside the next wait, as the host runs other entries while the service waits.
  std::function<void()> duringNextWait;

 private:
  void Created(std::string_view path) { effects.push_back("Create " + std::string(path)); }
  void Wait() {
    if (duringNextWait) std::exchange(duringNextWait, {})();
  }
};

template <class T>
ResourceUpdate<T> Created(T value) {
  return ResourceUpdate<T>{{}, Plugin::PluginResourceEventType::Create, std::move(value)};
}
template <class T>
ResourceUpdate<T> Deleted() {
  return ResourceUpdate<T>{{}, Plugin::PluginResourceEventType::Delete, T{}};
}

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() {
    logs_.Attach();
    // The service's lines are read here rather than written to the console.
    if (LogSink* sink = StdErrTarget()) sink->Detach();
    if (LogSink* sink = DebuggerTarget()) sink->Detach();
  }

  // The log messages written since the last call.
  std::vector<std::string> TakeLogs() {
    std::vector<std::string> messages = logs_.Messages();
    messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(logsTaken_));
    logsTaken_ += messages.size();
    return messages;
  }
  void SetConfig(bool v2Enabled) { service_.OnConfigAndWait(Created(Api::PlayerBehaviorConfig{v2Enabled})); }
  void SetPhase(Api::GameflowPhase phase) {
    service_.OnGameflowSessionAndWait(Created(Api::PlayerBehavior_GameflowSessionResource{phase}));
  }
  void LogIn() {
    service_.OnLoginSession(
        Created(Api::PlayerBehavior_LoginSession{Api::PlayerBehavior_LoginSessionState::SUCCEEDED, {}, 11, 22}));
  }
  void Message(std::string_view type, std::string_view msgId, std::vector<std::string> params = {}) {
    service_.OnSimpleMessageAndWait(
        Api::PlayerBehavior_SimpleMessage{1, std::string(msgId), std::string(type), std::move(params)});
  }
  // The messages inside a login data packet convert only with the registered types.
  void RegisterTypes() { service_.RegisterApi(api_, classes_); }
  void Packet(std::string_view json) {
    BindingResult packet = ParseJson(std::string(json));
    ASSERT_TRUE(packet.ok()) << packet.message();
    service_.OnLoginDataPacketAndWait(Created(std::move(packet).value()));
  }

  LoggerReference logger_;
  Vela::Testing::CollectingTarget logs_;
  std::size_t logsTaken_ = 0;
  FakeHost host_;
  ApiRegistry api_;
  LcdsClassTable classes_;
  PlayerBehaviorService service_{host_};
};

}  // namespace Vela::Client::PlayerBehavior::Testing
