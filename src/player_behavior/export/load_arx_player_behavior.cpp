// The plugin's only export.
#include <memory>

#include "player_behavior/player_behavior_module.h"
#include "plugin/host_api.h"

extern "C" VELA_PLUGIN_EXPORT void* load_arx_player_behavior(Vela::PluginLoadBlock* block) {
  using Vela::Client::PlayerBehavior::PlayerBehaviorModule;
  try {
    return Vela::LoadPluginModule(block, Vela::Client::PlayerBehavior::kPluginShortName,
                                  std::make_unique<PlayerBehaviorModule>());
  } catch (...) {
    // Creating the module failed (out of memory): nothing was written back.
    return nullptr;
  }
}
