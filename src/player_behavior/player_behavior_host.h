// PlayerBehaviorHost: the service's only way out of itself. The plugin module implements it:
// publishing resource events, the REST failure answers, the back-end calls (each of which
// may yield to the host while it waits), and two list operations.
//
//   host.PublishResource(kBanPath, ban);  // "OnJsonApiEvent" + the path's own event, Create
//   host.PublishResourceDeletion(kBanPath);  // Delete, no data
//   MaybeType<Failure, bool> sent = host.InvokeLcdsAndWait("clientFacadeService",
//                                                          "callPersistenceMessaging", ack);
//
// Publishing converts the record; when it does not convert nothing is sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "binding/maybe_type.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/sibling_records.h"
#include "rest/rest_function.h"

namespace Vela::Client::PlayerBehavior {

class PlayerBehaviorHost {
 public:
  // --- Resource events: Create with the converted record at `path`. ---
  virtual void PublishResource(std::string_view path, const Api::ReformCardV2& card) = 0;
  virtual void PublishResource(std::string_view path, const Api::ReformCard& card) = 0;
  virtual void PublishResource(std::string_view path, const Api::RestrictionNotification& restriction) = 0;
  virtual void PublishResource(std::string_view path, const Api::BanNotification& ban) = 0;
  virtual void PublishResource(std::string_view path, const std::vector<Api::ReporterFeedback>& entries) = 0;
  virtual void PublishResource(std::string_view path, const Api::ReporterFeedback& entry) = 0;
  virtual void PublishResource(std::string_view path, const Api::PlayerBehaviorConfig& config) = 0;
  // Delete of `path`, without data.
  virtual void PublishResourceDeletion(std::string_view path) = 0;

  // --- REST answers: 404 "Not found"; 500 with `message` ("Internal server error" when
  // empty). ---
  [[nodiscard]] virtual RestResult<Api::BanNotification> BanNotFound() = 0;
  [[nodiscard]] virtual RestResult<Api::RestrictionNotification> RestrictionNotFound() = 0;
  [[nodiscard]] virtual RestResult<Api::ReformCard> ReformCardNotFound() = 0;
  [[nodiscard]] virtual RestResult<Api::ReformCardV2> ReformCardV2NotFound() = 0;
  [[nodiscard]] virtual RestResult<Api::ReporterFeedback> ReporterFeedbackNotFound() = 0;
  [[nodiscard]] virtual RestFailure FailedResult(std::string_view message) = 0;

  // --- Back-end calls; each may yield to the host, which runs other callbacks meanwhile. ---
  // Invokes `operation` at `destination` with `response` as its one argument and waits
  // until the invoke has finished.
  [[nodiscard]] virtual MaybeType<Failure, bool> InvokeLcdsAndWait(
      std::string_view destination, std::string_view operation,
      const Lcds::PlayerBehaviorSimpleMessageResponse& response) = 0;
  // POSTs `notification` to `url` (synchronous); the reply or the failure.
  [[nodiscard]] virtual MaybeType<Failure, Api::PlayerNotificationResource> PostNotification(
      std::string_view url, const Api::PlayerNotificationResource& notification) = 0;
  // Service-proxy calls with an empty payload; wait for the reply.
  [[nodiscard]] virtual MaybeType<Failure, std::vector<Lcds::Punishment>> RequestPunishmentsAndWait(
      std::string_view service, std::string_view method) = 0;
  [[nodiscard]] virtual MaybeType<Failure, Api::ReformCardV2> RequestReformCardV2AndWait(
      std::string_view service, std::string_view method) = 0;

  // --- Conversions and list operations. ---
  // Converts `value` into `target` in place: fields converted before a failure keep their
  // values, the rest their defaults.
  virtual MaybeType<Failure, bool> ToSimpleMessage(const BindingProperty& value,
                                                   Api::PlayerBehavior_SimpleMessage& target) = 0;
  [[nodiscard]] virtual std::optional<Api::ReporterFeedback> FindReporterFeedback(
      const std::vector<Api::ReporterFeedback>& entries, uint64_t id) = 0;
  // Moves the last entry into the removed one's place; false when none had `id`.
  virtual bool RemoveReporterFeedback(std::vector<Api::ReporterFeedback>& entries, uint64_t id) = 0;

 protected:
  ~PlayerBehaviorHost() = default;
};

}  // namespace Vela::Client::PlayerBehavior
