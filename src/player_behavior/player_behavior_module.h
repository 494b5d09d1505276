// PlayerBehaviorModule: the plugin module of arx-player-behavior. The loader creates it for
// the host's load call; the player behaviour service will hang off it.
#pragma once

#include <string_view>

#include "plugin/app_module.h"

namespace Vela::Client::PlayerBehavior {

inline constexpr std::string_view kPluginShortName = "arx-player-behavior";

class PlayerBehaviorModule : public AppModule {
 public:
  PlayerBehaviorModule() = default;
  ~PlayerBehaviorModule() override = default;
};

}  // namespace Vela::Client::PlayerBehavior
