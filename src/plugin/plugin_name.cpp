#include "plugin/plugin_name.h"

#include "logging/log_groups.h"
#include "logging/logger.h"
#include "util/format_text.h"

namespace Vela {

PluginName GetFullNameFromShortNameAndType(std::string_view shortName, const PluginType& type) {
  std::string_view prefix = kUnknownTypePrefix;
  if (type.name == kBackendPluginType.name) {
    prefix = kBackendPrefix;
  } else if (type.name == kFrontendPluginType.name) {
    prefix = kFrontendPrefix;
  } else {
    const std::string message = FormatText(kUnknownPluginTypeMessage, shortName, type.name);
    LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, kPluginManagerLogFormat,
               message.c_str());
  }
  PluginName name;
  name.fullName.reserve(prefix.size() + shortName.size());
  name.fullName.append(prefix).append(shortName);
  name.shortName = shortName;
  name.typeName = type.name;
  name.typeTag = type.tag;
  return name;
}

}  // namespace Vela
