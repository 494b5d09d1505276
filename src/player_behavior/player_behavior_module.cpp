#include "player_behavior/player_behavior_module.h"

#include <string>
#include <utility>

#include "binding/native_type.h"
#include "calls/typed_request.h"
#include "plugin/resource_event_name.h"
#include "rest/api_registry.h"

namespace Vela::Client::PlayerBehavior {

PlayerBehaviorModule::PlayerBehaviorModule() : service_(std::make_unique<PlayerBehaviorService>(*this)) {}

PlayerBehaviorModule::~PlayerBehaviorModule() = default;

void PlayerBehaviorModule::RegisterApi() {
  if (registry() == nullptr) return;
  service_->RegisterApi(*registry(), lcds().classes());
}

bool PlayerBehaviorModule::OnStart() {
  service_->Subscribe(lcds(), observers());
  return true;
}

template <class T>
void PlayerBehaviorModule::PublishRecord(std::string_view path, const T& record) {
  const BindingRegistry* types = conversionTypes();
  if (types == nullptr) return;
  BindingResult value = ToBinding(record, *types);
  // A record that does not convert is not announced (nothing else can be done with it).
  if (!value.ok()) return;
  Plugin::PluginResourceEvent event;
  event.uri = path;
  event.eventType = Plugin::PluginResourceEventType::Create;
  event.data = std::move(value).value();
  (void)SendEvent(kJsonApiEventName, event);
}

void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::ReformCardV2& card) {
  PublishRecord(path, card);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::ReformCard& card) {
  PublishRecord(path, card);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::RestrictionNotification& restriction) {
  PublishRecord(path, restriction);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::BanNotification& ban) {
  PublishRecord(path, ban);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const std::vector<Api::ReporterFeedback>& entries) {
  PublishRecord(path, entries);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::ReporterFeedback& entry) {
  PublishRecord(path, entry);
}
void PlayerBehaviorModule::PublishResource(std::string_view path, const Api::PlayerBehaviorConfig& config) {
  PublishRecord(path, config);
}

void PlayerBehaviorModule::PublishResourceDeletion(std::string_view path) { (void)PublishDeletion(path); }

MaybeType<Failure, bool> PlayerBehaviorModule::InvokeLcdsAndWait(
    std::string_view destination, std::string_view operation,
    const Lcds::PlayerBehaviorSimpleMessageResponse& response) {
  return Await(lcds().Invoke(destination, operation, response));
}

MaybeType<Failure, Api::PlayerNotificationResource> PlayerBehaviorModule::PostNotificationAndWait(
    std::string_view url, const Api::PlayerNotificationResource& notification) {
  return RequestOf<Api::PlayerNotificationResource>(*this, HttpMethod::Post, url, notification);
}

MaybeType<Failure, std::vector<Lcds::Punishment>> PlayerBehaviorModule::RequestPunishmentsAndWait(
    std::string_view service, std::string_view method) {
  return Await(serviceProxy().RequestAs<std::vector<Lcds::Punishment>>(service, method, BindingProperty()));
}

MaybeType<Failure, Api::ReformCardV2> PlayerBehaviorModule::RequestReformCardV2AndWait(std::string_view service,
                                                                                      std::string_view method) {
  return Await(serviceProxy().RequestAs<Api::ReformCardV2>(service, method, BindingProperty()));
}

EpochMillis PlayerBehaviorModule::NowEpochMillis() { return Vela::NowEpochMillis(); }

}  // namespace Vela::Client::PlayerBehavior
