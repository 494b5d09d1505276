// Tags of the types and events the registry holds from its initialisation, so that help
// readers can tell the framework's own entries from the module's.
#pragma once

#include <string_view>

namespace Vela {

inline constexpr std::string_view kBuiltinTag = "$builtin";
inline constexpr std::string_view kHelpTag = "help";
inline constexpr std::string_view kAsyncTag = "async";

}  // namespace Vela
