// The REST functions: read access to everything the service holds, and the deletion of a
// reporter feedback entry. A record is held while its id is not 0; a GET never changes state.
#include <string>

#include "player_behavior/player_behavior_service.h"
#include "player_behavior/resource_paths.h"
#include "plugin/error_responses.h"
#include "rest/rest_function.h"

namespace Vela::Client::PlayerBehavior {

namespace {

template <class Record>
RestResult<Record> HeldOrNotFound(const Record& record) {
  if (record.id == 0) return NotFound();
  return record;
}

}  // namespace

RestResult<Api::BanNotification> PlayerBehaviorService::GetBan() const { return HeldOrNotFound(ban_); }
RestResult<Api::RestrictionNotification> PlayerBehaviorService::GetChatRestriction() const {
  return HeldOrNotFound(chatRestriction_);
}
RestResult<Api::RestrictionNotification> PlayerBehaviorService::GetRankedRestriction() const {
  return HeldOrNotFound(rankedRestriction_);
}
RestResult<Api::ReformCard> PlayerBehaviorService::GetReformCard() const { return HeldOrNotFound(reformCard_); }
RestResult<Api::ReformCardV2> PlayerBehaviorService::GetReformCardV2() const {
  return HeldOrNotFound(reformCardV2_);
}

void PlayerBehaviorService::RegisterRestFunctions(ApiRegistry& api) {
  // The handlers' result types name the answer types in the API description.
  RegisterRestFunction(api, {HttpMethod::Get, kBanPath}, {}, [this] { return GetBan(); });
  RegisterRestFunction(api, {HttpMethod::Get, kChatRestrictionPath}, {}, [this] { return GetChatRestriction(); });
  RegisterRestFunction(api, {HttpMethod::Get, kConfigPath}, {},
                       [this] { return MaybeType<Failure, Api::PlayerBehaviorConfig>(GetConfig()); });
  RegisterRestFunction(api, {HttpMethod::Get, kRankedRestrictionPath}, {},
                       [this] { return GetRankedRestriction(); });
  RegisterRestFunction(api, {HttpMethod::Get, kReformCardPath}, {}, [this] { return GetReformCard(); });
  RegisterRestFunction(api, {HttpMethod::Get, kReformCardV2Path}, {}, [this] { return GetReformCardV2(); });
  RegisterRestFunction(api, {HttpMethod::Get, kReporterFeedbackPath}, {},
                       [this] {
                         return MaybeType<Failure, std::vector<Api::ReporterFeedback>>(VisibleReporterFeedback());
                       });
  RegisterRestFunction(api, {HttpMethod::Get, kReporterFeedbackEntryTemplate}, {{"id", ParameterLocation::Path}},
                       [this](const std::string& id) { return GetReporterFeedback(id); });
  RegisterRestFunction(api, {HttpMethod::Delete, kReporterFeedbackEntryTemplate},
                       {{"id", ParameterLocation::Path}},
                       [this](const std::string& id) { return DeleteReporterFeedbackAndWait(id); });
}

}  // namespace Vela::Client::PlayerBehavior
