// The plugin API version: which host the plugin can live in.
//
// The plugin speaks plugin API 18.0.0. A host is compatible when its major number is the
// plugin's and its (minor, patch) is not below the plugin's, compared minor first:
//
//   IsCompatibleHostVersion({18, 5, 2}) == true;   // a newer host of the same major
//   IsCompatibleHostVersion({17, 9, 9}) == false;
#pragma once

#include <cstdint>
#include <string_view>

#include "util/version.h"

namespace Vela {

inline constexpr uint32_t kPluginApiMajor = 18;
inline constexpr uint32_t kPluginApiMinor = 0;
inline constexpr uint32_t kPluginApiPatch = 0;

// The plugin's own version (18.0.0, no pre-release or build tag), made once.
const Version& PluginApiVersion();

[[nodiscard]] bool IsCompatibleHostVersion(const Version& host);

// Formatted when the host is refused: short name, the plugin's version text, the host's.
inline constexpr std::string_view kIncompatibleHostMessage =
    "%1 which supports plugin API %2 is not compatible with core's plugin API %3";

}  // namespace Vela
