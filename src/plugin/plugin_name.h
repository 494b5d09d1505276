// Plugin names and types. A plugin's full name is a prefix naming its type followed by its
// short name:
//
//   PluginName name = GetFullNameFromShortNameAndType("arx-player-behavior", kBackendPluginType);
//   name.fullName == "qpm-be-arx-player-behavior"
#pragma once

#include <string>
#include <string_view>

namespace Vela {

struct PluginType {
  std::string_view name;
  std::string_view tag;
};

inline constexpr PluginType kBackendPluginType{"backend", ""};
inline constexpr PluginType kFrontendPluginType{"frontend", ""};

// The plugin name record.
struct PluginName {
  std::string fullName;
  std::string shortName;
  std::string typeName;
  std::string typeTag;
};

inline constexpr std::string_view kBackendPrefix = "qpm-be-";
inline constexpr std::string_view kFrontendPrefix = "qpm-fe-";
inline constexpr std::string_view kUnknownTypePrefix = "qpm-xx-";
// Logged at level 2 (short name, type name) when the type is neither of the two known ones.
inline constexpr std::string_view kUnknownPluginTypeMessage =
    "GetFullNameFromShortNameAndType(\"%1\", \"%2\") called with an unknown type";
inline constexpr const char* kPluginManagerLogFormat = "            Plugin Manager| %s";

// The type name is compared exactly ("Backend" is unknown). Never fails: an unknown type
// gets the "qpm-xx-" prefix and an error line in the log.
[[nodiscard]] PluginName GetFullNameFromShortNameAndType(std::string_view shortName,
                                                         const PluginType& type);

}  // namespace Vela
