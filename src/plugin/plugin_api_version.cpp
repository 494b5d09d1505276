#include "plugin/plugin_api_version.h"

namespace Vela {

const Version& PluginApiVersion() {
  static const Version version{kPluginApiMajor, kPluginApiMinor, kPluginApiPatch, {}, {}};
  return version;
}

bool IsCompatibleHostVersion(const Version& host) {
  const Version& plugin = PluginApiVersion();
  if (host.major != plugin.major) return false;
  if (host.minor != plugin.minor) return host.minor > plugin.minor;
  return host.patch >= plugin.patch;
}

}  // namespace Vela
