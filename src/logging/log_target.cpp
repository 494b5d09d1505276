#include "logging/log_target.h"

#include "logging/logger.h"

namespace Vela {
namespace {

LogTarget& TargetOf(LogSink& sink) { return *sink.target; }
const LogTarget& TargetOf(const LogSink& sink) { return *sink.target; }

}  // namespace

LogTarget::LogTarget(std::string_view format)
    : sink_{
          [](LogSink& sink, LogLevel level) { TargetOf(sink).SetLevel(level); },
          [](const LogSink& sink) { return TargetOf(sink).Level(); },
          [](LogSink& sink, uint64_t included, uint64_t excluded) { TargetOf(sink).SetGroups(included, excluded); },
          [](const LogSink& sink) { return TargetOf(sink).IncludedGroups(); },
          [](const LogSink& sink) { return TargetOf(sink).ExcludedGroups(); },
          [](const LogSink& sink) { return TargetOf(sink).Name(); },
          [](const LogSink& sink) { return TargetOf(sink).Format(); },
          [](LogSink& sink) { TargetOf(sink).Attach(); },
          [](LogSink& sink) { TargetOf(sink).Detach(); },
          [](const LogSink& sink) { return TargetOf(sink).IsAttached(); },
          [](LogSink& sink, const LogRecord& record) { return TargetOf(sink).Write(record); },
          this,
      },
      format_(format) {}

LogTarget::~LogTarget() { LogTarget::Detach(); }

// Attach and Detach take no target lock: they call into the logger, and the logger's lock
// must always be taken before a target's.
void LogTarget::Attach() {
  if (attached_.exchange(true, std::memory_order_acq_rel)) return;
  if (!AttachSink(&sink_)) attached_.store(false, std::memory_order_release);
}

void LogTarget::Detach() {
  if (attached_.exchange(false, std::memory_order_acq_rel)) DetachSink(&sink_);
}

std::string_view LogTarget::Name() const { return "LogTarget"; }

std::string_view LogTarget::Format() const { return format_; }

void LogTarget::SetLevel(LogLevel level) {
  Platform::RecursiveLock::Guard guard(lock_);
  level_ = level;
}

LogLevel LogTarget::Level() const {
  Platform::RecursiveLock::Guard guard(lock_);
  return level_;
}

void LogTarget::SetGroups(uint64_t included, uint64_t excluded) {
  Platform::RecursiveLock::Guard guard(lock_);
  includedGroups_ = included & ~excluded;
  excludedGroups_ = excluded;
}

uint64_t LogTarget::IncludedGroups() const {
  Platform::RecursiveLock::Guard guard(lock_);
  return includedGroups_;
}

uint64_t LogTarget::ExcludedGroups() const {
  Platform::RecursiveLock::Guard guard(lock_);
  return excludedGroups_;
}

}  // namespace Vela
