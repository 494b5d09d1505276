// The simulated player-notifications plugin: POST `/player-notifications/v1/notifications`
// records the posted notification (the request's one argument) and answers it back.
//
//   auto notifications = std::make_shared<PlayerNotificationsPlugin>();
//   host.AddSibling(notifications);
//   ... notifications->posted()[0].FieldOrEmpty("titleKey") ...
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "sibling_plugin.h"

namespace Vela::Host {

inline constexpr std::string_view kPlayerNotificationsPath = "/player-notifications/v1/notifications";

class PlayerNotificationsPlugin final : public SiblingPlugin {
 public:
  std::string_view Name() const override { return "player-notifications"; }
  std::vector<SiblingRoute> Routes() const override;
  // Fails with 400 unless the request carries exactly one argument.
  SiblingReply Handle(const SiblingRequest& request) override;

  [[nodiscard]] const std::vector<BindingProperty>& posted() const { return posted_; }
  void ForgetPosted() { posted_.clear(); }

 private:
  std::vector<BindingProperty> posted_;
};

}  // namespace Vela::Host
