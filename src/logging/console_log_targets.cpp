#include "logging/console_log_targets.h"

#include <cstdio>

#include "logging/line_format.h"
#include "logging/logger.h"
#include "platform/debugger_output.h"

namespace Vela {

std::string_view BaseConsoleLogTarget::Name() const { return "BaseConsoleLogTarget"; }

bool BaseConsoleLogTarget::Write(const LogRecord& record) {
  char line[kLineCapacity];
  const std::size_t length = FormatLogLine(Format(), record, line, sizeof line);
  Platform::RecursiveLock::Guard guard(OutputLock());
  return WriteLine(line, length);
}

std::string_view StdErrLogTarget::Name() const { return "StdErrLogTarget"; }

bool StdErrLogTarget::WriteLine(const char* line, std::size_t length) {
  return std::fwrite(line, 1, length, stderr) == length;
}

void StdErrLogTarget::Flush() {
  Platform::RecursiveLock::Guard guard(OutputLock());
  std::fflush(stderr);
}

std::string_view StdOutLogTarget::Name() const { return "StdOutLogTarget"; }

bool StdOutLogTarget::WriteLine(const char* line, std::size_t length) {
  const bool written = std::fwrite(line, 1, length, stdout) == length;
  if (flushMode_ == StdOutFlushMode::AfterEachLine) std::fflush(stdout);
  return written;
}

void StdOutLogTarget::Flush() {
  Platform::RecursiveLock::Guard guard(OutputLock());
  std::fflush(stdout);
}

void StdOutLogTarget::SetFlushMode(StdOutFlushMode mode) {
  Platform::RecursiveLock::Guard guard(OutputLock());
  flushMode_ = mode;
}

StdOutFlushMode StdOutLogTarget::FlushMode() const {
  Platform::RecursiveLock::Guard guard(OutputLock());
  return flushMode_;
}

std::string_view DebuggerConsoleLogTarget::Name() const { return "DebuggerConsoleLogTarget"; }

bool DebuggerConsoleLogTarget::WriteLine(const char* line, std::size_t /*length*/) {
  Platform::WriteDebuggerOutput(line);
  return true;
}

}  // namespace Vela
