// The plugin's REST surface through the development host, with the simulated login,
// game-flow, platform-configuration and player-notifications plugins: what only the whole
// plugin does (the service's rules are tested against a fake host, fake_host.h).
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
#include "resource_event_type.h"
#include "resource_sibling.h"

namespace Vela::Client::PlayerBehavior {
namespace {

using ::testing::ElementsAre;

class RestResources : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.AddSibling(std::make_shared<Host::LoginPlugin>(host_));
    host_.AddSibling(std::make_shared<Host::PlayerNotificationsPlugin>());
    host_.AddSibling(Host::MakeGameFlowPlugin(host_));
    host_.AddSibling(platformConfig_);
    ASSERT_EQ(host_.Load(ARX_PLUGIN_LIBRARY), "");
    ASSERT_TRUE(host_.Handshake({18, 0, 0}).answered);
  }

  void SetConfig(std::string_view json) {
    BindingResult config = ParseJson(std::string(json));
    ASSERT_TRUE(config.ok()) << config.message();
    platformConfig_->Set(Host::kPlayerBehaviorConfigPath, config.value());
    host_.RunUntilIdle();
  }
  std::string GetConfig() {
    return WriteJson(host_.Call(2, "/arx-player-behavior/v1/config").value);
  }

  // "Create /path" for each of the plugin's resource events since the mark.
  std::vector<std::string> EventLinesSince(std::size_t mark) const {
    std::vector<std::string> lines;
    const auto& calls = host_.recording().calls;
    for (std::size_t i = mark; i < calls.size(); ++i) {
      const Host::HostCall& call = calls[i];
      if (call.kind != Host::HostCallKind::FireEvent || call.text != "OnJsonApiEvent") continue;
      lines.push_back(Host::ResourceEventTypeWord(call.value.FieldOrEmpty("eventType")) + " " +
                      std::string(call.value.FieldOrEmpty("uri").GetStringOr({})));
    }
    return lines;
  }

  Host::PluginHost host_;
  std::shared_ptr<Host::ResourceSibling> platformConfig_ = Host::MakePlatformConfigPlugin(host_);
};

TEST_F(RestResources, ResourcesFollowTheirSiblingsFromTheFirstRead) {
  // Read at start: the configuration is there before any event.
  SetConfig(R"({"ReformCardV2Enabled":true})");
  ASSERT_TRUE(host_.Start());
  host_.RunUntilIdle();
  EXPECT_EQ(GetConfig(), R"({"ReformCardV2Enabled":true})");
  std::size_t mark = host_.recording().calls.size();
  SetConfig(R"({"ReformCardV2Enabled":false})");
  EXPECT_EQ(GetConfig(), R"({"ReformCardV2Enabled":false})");
  EXPECT_THAT(EventLinesSince(mark), ElementsAre("Create /arx-player-behavior/v1/config"));
  // A deleted configuration is not news.
  mark = host_.recording().calls.size();
  platformConfig_->Remove(Host::kPlayerBehaviorConfigPath);
  host_.RunUntilIdle();
  EXPECT_TRUE(EventLinesSince(mark).empty());
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior
