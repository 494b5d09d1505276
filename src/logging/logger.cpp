#include "logging/logger.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>
#include <vector>

#include "logging/assertion.h"
#include "logging/console_log_targets.h"
#include "logging/elapsed_time.h"
#include "logging/line_format.h"
#include "logging/log_groups.h"
#include "platform/clock.h"
#include "platform/process_info.h"
#include "platform/recursive_lock.h"
#include "util/assertion_hook.h"

namespace Vela {
namespace {

class Logger {
 public:
  Logger() {
    sinks.reserve(8);
    stdErr.SetLevel(LogLevel::Warn);
    stdErr.SetGroups(kLogGroupDbg, kLogGroupGen);
    stdOut.SetLevel(LogLevel::Warn);
    stdOut.SetGroups(kLogGroupGen, kLogGroupDbg);
    debugger.SetLevel(LogLevel::Warn);
    debugger.SetGroups(kLogGroupDbg, 0);
    const std::size_t length = Platform::ModuleFileName(moduleFileName, sizeof moduleFileName);
    if (length > 0) executableName = Platform::ExecutableNameOf(std::string_view(moduleFileName, length));
  }

  bool Passes(LogLevel level, uint64_t groups) const {
    return !paused && static_cast<int32_t>(level) >= static_cast<int32_t>(minimumLevel) &&
           (groups & excludedGroups) == 0;
  }

  std::vector<LogSink*> sinks;
  bool paused = false;
  // Set while the sinks receive a record; a line logged from inside a sink's write on the
  // same thread is dropped instead of recursing without end.
  bool dispatching = false;
  LogLevel minimumLevel = kInitialMinimumLevel;
  uint64_t excludedGroups = kInitialExcludedGroups;
  char moduleFileName[kModuleFileNameCapacity] = {};
  std::string_view executableName = kUnknownExecutableName;
  StdErrLogTarget stdErr{kConsoleLineFormat};
  StdOutLogTarget stdOut{kMessageOnlyLineFormat};
  DebuggerConsoleLogTarget debugger{kConsoleLineFormat};
  uint64_t warnings = 0;
  uint64_t errors = 0;
};

// The logger's critical section. It outlives every logger (it is never destroyed), so a
// line logged while the last reference is released either reaches the logger or finds none.
Platform::RecursiveLock& LoggerLock() {
  static Platform::RecursiveLock* const lock = new Platform::RecursiveLock;
  return *lock;
}

// Both guarded by LoggerLock(); the count is atomic so that it can be read without it.
Logger* g_logger = nullptr;
std::atomic<int32_t> g_references{0};

// Util sits below logging and cannot log; its reports come through here.
void ReportUtilAssertion(const char* expression, const char* description, const char* file, int32_t line,
                         const char* function) {
  ReportAssertion(expression, description, file, line, function);
}

Logger* CreateLoggerLocked() {
  if (g_logger != nullptr) return g_logger;
  SetAssertionReporter(&ReportUtilAssertion);
  try {
    g_logger = new Logger;
  } catch (...) {
    return nullptr;  // logging without the means to create a logger does nothing
  }
  g_logger->stdErr.Attach();
  g_logger->debugger.Attach();
  return g_logger;
}

void DestroyLoggerLocked() {
  Logger* logger = g_logger;
  if (logger == nullptr) return;
  while (!logger->sinks.empty()) {
    LogSink* sink = logger->sinks.back();
    logger->sinks.pop_back();
    sink->Detach();  // clears its attached flag; any other occurrence goes with it
  }
  g_logger = nullptr;
  delete logger;
}

bool SinkAccepts(const LogSink& sink, LogLevel level, uint64_t groups) {
  if (static_cast<int32_t>(level) < static_cast<int32_t>(sink.Level())) return false;
  if (groups == 0) return true;
  if ((groups & sink.ExcludedGroups()) != 0) return false;
  const uint64_t included = sink.IncludedGroups();
  return included == 0 || (groups & included) != 0;
}

LogTimestamp LocalTimestamp() {
  const Platform::CalendarTime now = Platform::LocalCalendarNow();
  return LogTimestamp{now.year, now.month, now.day, now.hour, now.minute, now.second, now.milliseconds};
}

}  // namespace

void AcquireLogger() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  g_references.fetch_add(1, std::memory_order_acq_rel);
  CreateLoggerLocked();
}

void ReleaseLogger() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  // An unbalanced release must not destroy a logger that others still hold.
  if (g_references.load(std::memory_order_acquire) <= 0) return;
  if (g_references.fetch_sub(1, std::memory_order_acq_rel) == 1) DestroyLoggerLocked();
}

bool LoggerExists() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr;
}

void LogMessage(LogLevel level, uint32_t groupsLow, uint32_t groupsHigh, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  LogMessageV(level, (static_cast<uint64_t>(groupsHigh) << 32) | groupsLow, format, arguments);
  va_end(arguments);
}

void LogMessageV(LogLevel level, uint64_t groups, const char* format, std::va_list arguments) {
  if (format == nullptr) return;
  Platform::RecursiveLock::Guard guard(LoggerLock());
  Logger* logger = CreateLoggerLocked();
  if (logger == nullptr || logger->dispatching || !logger->Passes(level, groups)) return;

  char message[kMessageCapacity];
  const int rendered = std::vsnprintf(message, sizeof message, format, arguments);
  const std::size_t length =
      rendered < 0 ? 0 : std::min(static_cast<std::size_t>(rendered), sizeof message - 1);
  const LogRecord record{LocalTimestamp(), level, groups, std::string_view(message, length)};

  if (level == LogLevel::Warn) ++logger->warnings;
  if (level == LogLevel::Error) ++logger->errors;
  struct DispatchScope {
    explicit DispatchScope(Logger& owner) : logger(owner) { logger.dispatching = true; }
    ~DispatchScope() { logger.dispatching = false; }
    Logger& logger;
  } scope(*logger);
  // By index: a sink may attach or detach sinks from inside its write.
  for (std::size_t i = 0; i < logger->sinks.size(); ++i) {
    LogSink* sink = logger->sinks[i];
    if (SinkAccepts(*sink, level, groups)) sink->Write(record);
  }
}

void SetMinimumLevel(LogLevel level) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger != nullptr) g_logger->minimumLevel = level;
}

LogLevel MinimumLevel() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? g_logger->minimumLevel : kInitialMinimumLevel;
}

void SetExcludedGroups(uint64_t groups) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger != nullptr) g_logger->excludedGroups = groups;
}

uint64_t ExcludedGroups() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? g_logger->excludedGroups : kInitialExcludedGroups;
}

void Pause() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger != nullptr) g_logger->paused = true;
}

void Resume() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger != nullptr) g_logger->paused = false;
}

bool IsPaused() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr && g_logger->paused;
}

uint64_t WarningCount() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? g_logger->warnings : 0;
}

uint64_t ErrorCount() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? g_logger->errors : 0;
}

bool AttachSink(LogSink* sink) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger == nullptr || sink == nullptr) return false;
  try {
    g_logger->sinks.push_back(sink);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void DetachSink(LogSink* sink) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger == nullptr) return;
  std::erase(g_logger->sinks, sink);
}

LogSink* FindTarget(std::string_view name) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  if (g_logger == nullptr) return nullptr;
  for (LogSink* sink : g_logger->sinks) {
    if (sink->Name() == name) return sink;
  }
  return nullptr;
}

LogSink* StdOutTarget() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? &g_logger->stdOut.Sink() : nullptr;
}

LogSink* StdErrTarget() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? &g_logger->stdErr.Sink() : nullptr;
}

LogSink* DebuggerTarget() {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  return g_logger != nullptr ? &g_logger->debugger.Sink() : nullptr;
}

std::size_t FormatLogLine(std::string_view format, const LogRecord& record, char* buffer, std::size_t capacity) {
  Platform::RecursiveLock::Guard guard(LoggerLock());
  const LineContext context{g_logger != nullptr ? g_logger->executableName : kUnknownExecutableName,
                            Platform::CurrentThreadId(), &ElapsedMilliseconds};
  return FormatLine(format, record, context, buffer, capacity);
}

}  // namespace Vela
