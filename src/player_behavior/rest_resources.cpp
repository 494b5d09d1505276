// The REST functions: read access to everything the service holds, and the deletion of a
// reporter feedback entry. A record is held while its id is not 0; a GET never changes state.
#include <string>

#include "player_behavior/player_behavior_service.h"
#include "player_behavior/resource_paths.h"
#include "rest/rest_function.h"

namespace Vela::Client::PlayerBehavior {

void PlayerBehaviorService::RegisterRestFunctions(ApiRegistry& api) {
  RegisterRestFunction(api, {HttpMethod::Get, kBanPath}, {}, [this]() -> RestResult<Api::BanNotification> {
    if (ban_.id == 0) return host_.BanNotFound();
    return ban_;
  });
  RegisterRestFunction(api, {HttpMethod::Get, kChatRestrictionPath}, {},
                       [this]() -> RestResult<Api::RestrictionNotification> {
                         if (chatRestriction_.id == 0) return host_.RestrictionNotFound();
                         return chatRestriction_;
                       });
  // Defaults until a configuration has arrived.
  RegisterRestFunction(api, {HttpMethod::Get, kConfigPath}, {},
                       [this]() -> MaybeType<Failure, Api::PlayerBehaviorConfig> { return config_; });
  RegisterRestFunction(api, {HttpMethod::Get, kRankedRestrictionPath}, {},
                       [this]() -> RestResult<Api::RestrictionNotification> {
                         if (rankedRestriction_.id == 0) return host_.RestrictionNotFound();
                         return rankedRestriction_;
                       });
  RegisterRestFunction(api, {HttpMethod::Get, kReformCardPath}, {}, [this]() -> RestResult<Api::ReformCard> {
    if (reformCard_.id == 0) return host_.ReformCardNotFound();
    return reformCard_;
  });
  RegisterRestFunction(api, {HttpMethod::Get, kReformCardV2Path}, {}, [this]() -> RestResult<Api::ReformCardV2> {
    if (reformCardV2_.id == 0) return host_.ReformCardV2NotFound();
    return reformCardV2_;
  });
  RegisterRestFunction(api, {HttpMethod::Get, kReporterFeedbackPath}, {},
                       [this]() -> MaybeType<Failure, std::vector<Api::ReporterFeedback>> {
                         return VisibleReporterFeedback();
                       });
  RegisterRestFunction(api, {HttpMethod::Get, kReporterFeedbackEntryTemplate}, {{"id", ParameterLocation::Path}},
                       [this](const std::string& id) { return GetReporterFeedback(id); });
  RegisterRestFunction(api, {HttpMethod::Delete, kReporterFeedbackEntryTemplate},
                       {{"id", ParameterLocation::Path}},
                       [this](const std::string& id) { return DeleteReporterFeedback(id); });
}

}  // namespace Vela::Client::PlayerBehavior
