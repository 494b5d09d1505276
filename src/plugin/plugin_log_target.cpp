#include "plugin/plugin_log_target.h"

#include <algorithm>
#include <cstring>

#include "abi/host_api.h"
#include "logging/logger.h"
#include "platform/recursive_lock.h"

namespace Vela {

PluginLogTarget::PluginLogTarget(HostFunctionTable* host) : LogTarget(kDefaultLineFormat), host_(host) {}

// Detach before the members go: the logger may be writing through this target right now.
PluginLogTarget::~PluginLogTarget() { Detach(); }

std::string_view PluginLogTarget::Name() const { return kPluginLogTargetName; }

bool PluginLogTarget::Write(const LogRecord& record) {
  if (host_ == nullptr || host_->Log == nullptr) return true;
  // The record's message is a view; the host wants a NUL-terminated text.
  char text[kMessageCapacity];
  const std::size_t length = std::min(record.message.size(), sizeof text - 1);
  std::memcpy(text, record.message.data(), length);
  text[length] = '\0';
  Platform::RecursiveLock::Guard guard(OutputLock());
  host_->Log(host_, static_cast<int32_t>(record.level), text);
  return true;
}

}  // namespace Vela
