// The plugin's only export.
#include <memory>

#include "abi/host_api.h"
#include "logging/trace_providers.h"
#include "player_behavior/player_behavior_module.h"

// The event-trace providers are registered when the library loads and unregistered when it
// unloads (on Windows, from the C runtime's DllMain): this file is always part of the
// library, so the object cannot be dropped by the linker.
static Vela::TraceProviderRegistration g_traceProviders;

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
