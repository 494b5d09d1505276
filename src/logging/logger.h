// The process-wide logger: filters log calls by level and group and hands each remaining
// line, as a LogRecord, to the attached sinks in order of attachment.
//
// The logger is created by the first AcquireLogger (or the first LogMessage, when nobody
// acquired it) and destroyed by the last ReleaseLogger. It owns three targets: standard
// error and the debugger channel (both attached at creation, format "#E(#T): #L| #M",
// level 1, group DBG; standard error also excludes GEN) and standard output (format "#M",
// level 1, includes GEN, excludes DBG, not attached). At creation the logger's minimum
// level is 1 (WARN) and group XTR is excluded.
//
// Every function is thread-safe. Sinks are written while the logger's lock is held, so a
// sink's write must not wait for another thread that logs. Lock order: logger, then target.
//
//   LoggerReference logger;   // for the lifetime of the module
//   LogMessage(LogLevel::Always, 1, 0, "%s: Handling event %s", name, event);
//
// Without a logger the setters, AttachSink and DetachSink do nothing, the getters return
// the values a new logger starts with, and the sink lookups return nullptr.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "logging/log_level.h"
#include "logging/log_record.h"
#include "logging/log_target.h"

#if defined(__GNUC__) || defined(__clang__)
#define VELA_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define VELA_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace Vela {

// A message is cut to this many bytes, NUL included.
inline constexpr std::size_t kMessageCapacity = 4096;
// The module file name is read into this many bytes.
inline constexpr std::size_t kModuleFileNameCapacity = 1024;
// The executable's name until the module file name has been read.
inline constexpr std::string_view kUnknownExecutableName = "<unknown>";

inline constexpr LogLevel kInitialMinimumLevel = LogLevel::Warn;
inline constexpr uint64_t kInitialExcludedGroups = uint64_t{1} << 2;  // XTR

// Reference counting of the one logger: the first acquire creates it, the last release
// destroys it. Every acquire needs exactly one release.
void AcquireLogger();
void ReleaseLogger();

// Holds one logger reference for its lifetime.
class LoggerReference {
 public:
  LoggerReference() { AcquireLogger(); }
  ~LoggerReference() { ReleaseLogger(); }
  LoggerReference(const LoggerReference&) = delete;
  LoggerReference& operator=(const LoggerReference&) = delete;
};

// True while a logger exists.
[[nodiscard]] bool LoggerExists();

// Logs one printf-style line at `level` in the groups given as low and high 32-bit halves,
// creating the logger if there is none. The message is cut at kMessageCapacity - 1 bytes.
// Dropped when the logger is paused, the level is below the minimum level or the groups
// meet the excluded groups. A null format logs nothing.
void LogMessage(LogLevel level, uint32_t groupsLow, uint32_t groupsHigh, const char* format, ...)
    VELA_PRINTF_FORMAT(4, 5);
void LogMessageV(LogLevel level, uint64_t groups, const char* format, std::va_list arguments)
    VELA_PRINTF_FORMAT(3, 0);

void SetMinimumLevel(LogLevel level);
[[nodiscard]] LogLevel MinimumLevel();
void SetExcludedGroups(uint64_t groups);
[[nodiscard]] uint64_t ExcludedGroups();

// While paused no line is logged (nor counted).
void Pause();
void Resume();
[[nodiscard]] bool IsPaused();

// Lines logged (not dropped by the logger) at level 1 and at level 2 since creation.
[[nodiscard]] uint64_t WarningCount();
[[nodiscard]] uint64_t ErrorCount();

// Appends `sink` to the sinks; false when there is no logger or `sink` is null. Prefer
// LogSink::Attach, which keeps the target's attached flag and attaches at most once.
bool AttachSink(LogSink* sink);
// Removes every occurrence of `sink`.
void DetachSink(LogSink* sink);
// The first attached sink whose name equals `name` exactly, or nullptr.
[[nodiscard]] LogSink* FindTarget(std::string_view name);

// The built-in targets' sinks (nullptr when there is no logger). They belong to the
// logger and are destroyed with it.
[[nodiscard]] LogSink* StdOutTarget();
[[nodiscard]] LogSink* StdErrTarget();
[[nodiscard]] LogSink* DebuggerTarget();

// Formats `record` through `format` with the executable's name, the calling thread and the
// process uptime (see line_format.h). Returns the line's length. For targets' Write.
std::size_t FormatLogLine(std::string_view format, const LogRecord& record, char* buffer,
                          std::size_t capacity);

}  // namespace Vela
