// `arx-host describe --help-format full|epytext`: the plugin registry's own description of
// its functions, types and events (the API help), as the plugin builds it, printed as JSON.
//
// The description block a host receives carries no help texts, so the tool builds the
// player behaviour module in its own process (it is linked in), runs its handshake and
// asks the module's registry.
#pragma once

#include <iosfwd>
#include <string_view>

namespace Vela::Host {

inline constexpr std::string_view kHelpFormatFull = "full";
inline constexpr std::string_view kHelpFormatEpytext = "epytext";

// Prints the help in `format` (kHelpFormatFull or kHelpFormatEpytext) to `out`; answers the
// tool's exit status: 0, or 1 with a line on `err` when the module could not be built or
// described.
int PrintRegistryHelp(std::string_view format, std::ostream& out, std::ostream& err);

}  // namespace Vela::Host
