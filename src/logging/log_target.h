// LogTarget: where log lines go, and LogSink: the record of operations through which the
// logger (and whoever configures logging) reaches a target.
//
// The logger keeps pointers to sinks, never to targets, so a target can be driven by code
// that knows nothing of its class. Every target owns exactly one sink.
//
// A target filters on its own level and groups, then formats the record with its own line
// format (see line_format.h) and writes it. To add a destination, derive from LogTarget
// and implement Name, Write and Flush; FormatLogLine (logger.h) renders the line. A
// derived target whose Write uses its own members calls Detach() in its destructor: the
// base detaches too, but only after those members are gone, and another thread may be
// logging meanwhile.
//
//   class HostLogTarget final : public LogTarget {
//    public:
//     ~HostLogTarget() override { Detach(); }
//     std::string_view Name() const override { return "HostLogTarget"; }
//     bool Write(const LogRecord& record) override {
//       char line[kLineCapacity];
//       std::size_t length = FormatLogLine(Format(), record, line, sizeof line);
//       Platform::RecursiveLock::Guard guard(OutputLock());
//       return Send(line, length);
//     }
//     void Flush() override {}
//   };
//   HostLogTarget target;          // format "#D| #L| #G| #M", level 1, all groups
//   target.Attach();               // detaches itself again when destroyed
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/log_level.h"
#include "logging/log_record.h"
#include "platform/recursive_lock.h"

namespace Vela {

class LogTarget;

inline constexpr std::string_view kDefaultLineFormat = "#D| #L| #G| #M";
inline constexpr LogLevel kDefaultTargetLevel = LogLevel::Warn;

// The operations of one target, in their fixed order. Reach them through the member
// functions below; the pointers are what code outside the target's class relies on.
struct LogSink {
  void (*setLevel)(LogSink& sink, LogLevel level);
  LogLevel (*level)(const LogSink& sink);
  // Stores included minus excluded as the included groups, and excluded as given.
  void (*setGroups)(LogSink& sink, uint64_t included, uint64_t excluded);
  uint64_t (*includedGroups)(const LogSink& sink);
  uint64_t (*excludedGroups)(const LogSink& sink);
  std::string_view (*name)(const LogSink& sink);
  std::string_view (*format)(const LogSink& sink);
  // Attaches the target to the logger unless it is attached already.
  void (*attach)(LogSink& sink);
  // Removes the target from the logger if it is attached.
  void (*detach)(LogSink& sink);
  bool (*isAttached)(const LogSink& sink);
  bool (*write)(LogSink& sink, const LogRecord& record);
  LogTarget* target;

  void SetLevel(LogLevel value) { setLevel(*this, value); }
  LogLevel Level() const { return level(*this); }
  void SetGroups(uint64_t included, uint64_t excluded) { setGroups(*this, included, excluded); }
  uint64_t IncludedGroups() const { return includedGroups(*this); }
  uint64_t ExcludedGroups() const { return excludedGroups(*this); }
  std::string_view Name() const { return name(*this); }
  std::string_view Format() const { return format(*this); }
  void Attach() { attach(*this); }
  void Detach() { detach(*this); }
  bool IsAttached() const { return isAttached(*this); }
  bool Write(const LogRecord& record) { return write(*this, record); }
};

class LogTarget {
 public:
  LogTarget(const LogTarget&) = delete;
  LogTarget& operator=(const LogTarget&) = delete;

  // Detaches the target, so the logger never holds a sink of a destroyed target.
  virtual ~LogTarget();

  // Removes the target from the logger; nothing happens when it is not attached.
  virtual void Detach();
  virtual std::string_view Name() const;
  // The line format, fixed at construction.
  virtual std::string_view Format() const;
  // Formats and writes one record that passed the filters; false when it was not written.
  virtual bool Write(const LogRecord& record) = 0;
  virtual void Flush() = 0;

  LogSink& Sink() { return sink_; }

  // Adds the target's sink to the logger, at most once. Nothing happens when there is no
  // logger (see AcquireLogger).
  void Attach();
  bool IsAttached() const { return attached_.load(std::memory_order_acquire); }

  void SetLevel(LogLevel level);
  LogLevel Level() const;
  void SetGroups(uint64_t included, uint64_t excluded);
  uint64_t IncludedGroups() const;
  uint64_t ExcludedGroups() const;

 protected:
  explicit LogTarget(std::string_view format = kDefaultLineFormat);

  // Serialises the target's output; hold it while writing a formatted line so that lines
  // from different threads never interleave.
  Platform::RecursiveLock& OutputLock() const { return lock_; }

 private:
  LogSink sink_;
  std::atomic<bool> attached_{false};
  mutable Platform::RecursiveLock lock_;
  LogLevel level_ = kDefaultTargetLevel;
  uint64_t includedGroups_ = 0;
  uint64_t excludedGroups_ = 0;
  const std::string format_;
};

}  // namespace Vela
