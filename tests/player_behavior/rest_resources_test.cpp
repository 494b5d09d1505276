// The plugin's REST surface through the development host: a resource follows its sibling
// from the first read.
#include <string>

#include "plugin_scenario.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;

class RestResources : public PluginScenario {};

TEST_F(RestResources, ResourcesFollowTheirSiblingsFromTheFirstRead) {
  // Read at start: the configuration is there before any event.
  platformConfig_->Set(Host::kPlayerBehaviorConfigPath, Json(R"({"ReformCardV2Enabled":true})"));
  host_.RunUntilIdle();
  Start();
  EXPECT_EQ(WriteJson(Get("/arx-player-behavior/v1/config").value), R"({"ReformCardV2Enabled":true})");
  Mark();
  SetConfig(false);
  EXPECT_EQ(WriteJson(Get("/arx-player-behavior/v1/config").value), R"({"ReformCardV2Enabled":false})");
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/config"));
  // A deleted configuration is not news.
  Mark();
  platformConfig_->Remove(Host::kPlayerBehaviorConfigPath);
  host_.RunUntilIdle();
  EXPECT_TRUE(EventLines().empty());
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
