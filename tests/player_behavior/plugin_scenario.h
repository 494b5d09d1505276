// A scenario around the real plugin library: the development host with the simulated login,
// game-flow, platform-configuration and player-notifications plugins. Helpers change the
// configuration, call the plugin's REST functions and read back the plugin's own resource
// events. The service's rules are tested against a fake host
// (fake_host.h); this checks what only the whole plugin does.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/json.h"
#include "host_recording.h"
#include "login_plugin.h"
#include "player_notifications_plugin.h"
#include "plugin_host.h"
#include "resource_sibling.h"

namespace Vela::Client::PlayerBehavior::Testing {

using Host::CallResult;
using Host::HostCallKind;

inline constexpr uint32_t kGet = 2;

inline BindingProperty Json(std::string_view text) {
  BindingResult parsed = ParseJson(std::string(text));
  EXPECT_TRUE(parsed.ok()) << parsed.message() << " in " << text;
  return parsed.ok() ? std::move(parsed).value() : BindingProperty();
}

// An enumeration value as the host decodes it: its name, or its number looked up in `names`.
inline std::string EnumText(const BindingProperty& value, const std::vector<std::string>& names) {
  if (value.kind() == BindingKind::String) return std::string(value.GetStringOr({}));
  const int64_t number = value.AsSigned(-1);
  if (number < 0 || static_cast<std::size_t>(number) >= names.size()) return "?";
  return names[static_cast<std::size_t>(number)];
}

class PluginScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    login_ = std::make_shared<Host::LoginPlugin>(host_);
    notifications_ = std::make_shared<Host::PlayerNotificationsPlugin>();
    gameFlow_ = Host::MakeGameFlowPlugin(host_);
    platformConfig_ = Host::MakePlatformConfigPlugin(host_);
    host_.AddSibling(login_);
    host_.AddSibling(notifications_);
    host_.AddSibling(gameFlow_);
    host_.AddSibling(platformConfig_);
    ASSERT_EQ(host_.Load(ARX_PLUGIN_LIBRARY), "");
    ASSERT_TRUE(host_.Handshake({18, 0, 0}).answered);
  }

  void Start() {
    ASSERT_TRUE(host_.Start());
    host_.RunUntilIdle();
  }

  // --- Sibling resources (published on the host's loop, run here). ---
  void SetConfig(bool v2Enabled) {
    platformConfig_->Set(Host::kPlayerBehaviorConfigPath,
                         Json(v2Enabled ? R"({"ReformCardV2Enabled":true})" : R"({"ReformCardV2Enabled":false})"));
    host_.RunUntilIdle();
  }

  // --- The plugin's REST functions. ---
  CallResult Get(std::string_view path) { return host_.Call(kGet, path); }

  // --- What the plugin did since the last Mark. ---
  void Mark() { mark_ = host_.recording().calls.size(); }
  // "Create /path" for each of the plugin's resource events since the mark.
  std::vector<std::string> EventLines() const {
    static const std::vector<std::string> kTypes = {"Create", "Update", "Delete"};
    std::vector<std::string> lines;
    const auto& calls = host_.recording().calls;
    for (std::size_t i = mark_; i < calls.size(); ++i) {
      const Host::HostCall& call = calls[i];
      if (call.kind != HostCallKind::FireEvent || call.text != "OnJsonApiEvent") continue;
      lines.push_back(EnumText(call.value.FieldOrEmpty("eventType"), kTypes) + " " +
                      std::string(call.value.FieldOrEmpty("uri").GetStringOr({})));
    }
    return lines;
  }

  Host::PluginHost host_;
  std::shared_ptr<Host::LoginPlugin> login_;
  std::shared_ptr<Host::PlayerNotificationsPlugin> notifications_;
  std::shared_ptr<Host::ResourceSibling> gameFlow_;
  std::shared_ptr<Host::ResourceSibling> platformConfig_;
  std::size_t mark_ = 0;
};

}  // namespace Vela::Client::PlayerBehavior::Testing
