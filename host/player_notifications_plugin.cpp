#include "player_notifications_plugin.h"

#include "login_plugin.h"

namespace Vela::Host {

std::vector<SiblingRoute> PlayerNotificationsPlugin::Routes() const {
  return {SiblingRoute{6, std::string(kPlayerNotificationsPath)}};
}

SiblingReply PlayerNotificationsPlugin::Handle(const SiblingRequest& request) {
  if (request.arguments.size() != 1) return SiblingReply::Failure(400, std::string(kBadArgumentsMessage));
  posted_.push_back(request.arguments[0]);
  return SiblingReply::Value(request.arguments[0]);
}

}  // namespace Vela::Host
