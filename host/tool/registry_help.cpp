#include "registry_help.h"

#include <memory>
#include <ostream>

#include "codecs/json.h"
#include "player_behavior/player_behavior_module.h"
#include "plugin/plugin_api_version.h"
#include "rest/api_help.h"
#include "rest/api_registry.h"

namespace Vela::Host {

int PrintRegistryHelp(std::string_view format, std::ostream& out, std::ostream& err) {
  using Client::PlayerBehavior::PlayerBehaviorModule;
  const Version& version = PluginApiVersion();
  PluginLoadBlock block{version.major, version.minor, version.patch, nullptr, nullptr, nullptr, nullptr};
  void* context = LoadPluginModule(&block, Client::PlayerBehavior::kPluginShortName,
                                   std::make_unique<PlayerBehaviorModule>());
  if (context == nullptr) {
    err << "arx-host: the plugin module could not be built\n";
    return 1;
  }
  // Never started, so there is nothing to stop: destroying it is its whole end.
  const std::unique_ptr<AppModule> module(static_cast<AppModule*>(context));
  const BindingHelpFormat helpFormat =
      format == kHelpFormatEpytext ? BindingHelpFormat::Epytext : BindingHelpFormat::Full;
  const BindingResult help = DescribeApi(*module->registry(), helpFormat);
  if (!help.ok()) {
    err << "arx-host: " << help.message() << "\n";
    return 1;
  }
  out << WriteJson(help.value(), nullptr, "\n") << "\n";
  return 0;
}

}  // namespace Vela::Host
