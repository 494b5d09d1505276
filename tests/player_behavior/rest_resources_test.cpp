// The plugin's REST surface through the development host: the function table, the answers
// before anything is held, and the resources after a change.
#include <string>

#include "plugin_scenario.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;

class RestResources : public PluginScenario {};

TEST_F(RestResources, NineFunctionsInRegistrationOrder) {
  std::vector<std::string> lines;
  for (const Host::RestFunctionInfo& function : host_.RestFunctions()) {
    if (function.pathTemplate.rfind("/arx-player-behavior/", 0) != 0) continue;
    std::string line = std::to_string(function.method) + " " + function.pathTemplate + " " + function.name;
    for (const std::string& parameter : function.parameters) line += " (" + parameter + ")";
    lines.push_back(line);
  }
  EXPECT_THAT(lines, ElementsAre("2 /arx-player-behavior/v1/ban GetArxPlayerBehaviorV1Ban",
                                 "2 /arx-player-behavior/v1/chat-restriction GetArxPlayerBehaviorV1ChatRestriction",
                                 "2 /arx-player-behavior/v1/config GetArxPlayerBehaviorV1Config",
                                 "2 /arx-player-behavior/v1/ranked-restriction GetArxPlayerBehaviorV1RankedRestriction",
                                 "2 /arx-player-behavior/v1/reform-card GetArxPlayerBehaviorV1ReformCard",
                                 "2 /arx-player-behavior/v2/reform-card GetArxPlayerBehaviorV2ReformCard",
                                 "2 /arx-player-behavior/v1/reporter-feedback GetArxPlayerBehaviorV1ReporterFeedback",
                                 "2 /arx-player-behavior/v1/reporter-feedback/{id} "
                                 "GetArxPlayerBehaviorV1ReporterFeedbackById (id)",
                                 "1 /arx-player-behavior/v1/reporter-feedback/{id} "
                                 "DeleteArxPlayerBehaviorV1ReporterFeedbackById (id)"));
}

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
