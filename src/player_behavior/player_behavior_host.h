// PlayerBehaviorHost: the service's only way out of itself — its effects and nothing else.
// The plugin module implements it: publishing resource events, the back-end calls and the
// clock. Every call that may yield to the host says so in its name (…AndWait): the host runs
// other callbacks of the plugin, the service's own handlers included, before it returns.
//
//   host.PublishResource(kBanPath, ban);  // "OnJsonApiEvent" + the path's own event, Create
//   host.PublishResourceDeletion(kBanPath);  // Delete, no data
//   MaybeType<Failure, bool> sent = host.InvokeLcdsAndWait("clientFacadeService",
//                                                          "callPersistenceMessaging", ack);
//
// Publishing converts the record; when it does not convert nothing is sent.
#pragma once

#include <string_view>
#include <vector>

#include "binding/maybe_type.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/sibling_records.h"
#include "util/epoch_time.h"

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

  // --- Back-end calls. ---
  // Invokes `operation` at `destination` with `response` as its one argument and waits
  // until the invoke has finished.
  [[nodiscard]] virtual MaybeType<Failure, bool> InvokeLcdsAndWait(
      std::string_view destination, std::string_view operation,
      const Lcds::PlayerBehaviorSimpleMessageResponse& response) = 0;
  // POSTs `notification` to `url`; the reply or the failure. A streamed reply is drained
  // between yields.
  [[nodiscard]] virtual MaybeType<Failure, Api::PlayerNotificationResource> PostNotificationAndWait(
      std::string_view url, const Api::PlayerNotificationResource& notification) = 0;
  // Service-proxy calls with an empty payload; wait for the reply.
  [[nodiscard]] virtual MaybeType<Failure, std::vector<Lcds::Punishment>> RequestPunishmentsAndWait(
      std::string_view service, std::string_view method) = 0;
  [[nodiscard]] virtual MaybeType<Failure, Api::ReformCardV2> RequestReformCardV2AndWait(
      std::string_view service, std::string_view method) = 0;

  // --- The clock, against which a ban's end counts as permanent. ---
  [[nodiscard]] virtual EpochMillis NowEpochMillis() = 0;

 protected:
  ~PlayerBehaviorHost() = default;
};

}  // namespace Vela::Client::PlayerBehavior
