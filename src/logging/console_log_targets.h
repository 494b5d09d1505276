// The console-like targets the logger owns: standard error, standard output and the
// debugger's output channel. Each formats a record into one line and writes the whole line
// under its output lock.
//
//   LogSink* out = StdOutTarget();      // from logger.h; not attached by default
//   out->Attach();
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "logging/log_target.h"

namespace Vela {

// The format of the standard-error and debugger targets: "app.exe(0000ABCD):   WARN| text".
inline constexpr std::string_view kConsoleLineFormat = "#E(#T): #L| #M";
// The format of the standard-output target: the message alone.
inline constexpr std::string_view kMessageOnlyLineFormat = "#M";

// Formats the record with the target's format into a kLineCapacity buffer, then hands the
// line to WriteLine under the output lock.
class BaseConsoleLogTarget : public LogTarget {
 public:
  std::string_view Name() const override;
  bool Write(const LogRecord& record) final;

 protected:
  explicit BaseConsoleLogTarget(std::string_view format) : LogTarget(format) {}

  // Writes one formatted line (NUL-terminated, `length` bytes, newline included).
  virtual bool WriteLine(const char* line, std::size_t length) = 0;
};

class StdErrLogTarget final : public BaseConsoleLogTarget {
 public:
  explicit StdErrLogTarget(std::string_view format = kConsoleLineFormat) : BaseConsoleLogTarget(format) {}
  std::string_view Name() const override;
  void Flush() override;

 private:
  bool WriteLine(const char* line, std::size_t length) override;
};

enum class StdOutFlushMode : int32_t {
  // Lines are left in the stream's buffer.
  Buffered = 0,
  // Standard output is flushed after every line.
  AfterEachLine = 1,
};

class StdOutLogTarget final : public BaseConsoleLogTarget {
 public:
  explicit StdOutLogTarget(std::string_view format = kMessageOnlyLineFormat) : BaseConsoleLogTarget(format) {}
  std::string_view Name() const override;
  void Flush() override;

  void SetFlushMode(StdOutFlushMode mode);
  StdOutFlushMode FlushMode() const;

 private:
  bool WriteLine(const char* line, std::size_t length) override;

  StdOutFlushMode flushMode_ = StdOutFlushMode::Buffered;
};

class DebuggerConsoleLogTarget final : public BaseConsoleLogTarget {
 public:
  explicit DebuggerConsoleLogTarget(std::string_view format = kConsoleLineFormat)
      : BaseConsoleLogTarget(format) {}
  std::string_view Name() const override;
  // The debugger channel keeps nothing back.
  void Flush() override {}

 private:
  bool WriteLine(const char* line, std::size_t length) override;
};

}  // namespace Vela
