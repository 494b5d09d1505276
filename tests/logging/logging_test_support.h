// Helpers for observing the process-wide logger in tests.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "logging/line_format.h"
#include "logging/log_target.h"
#include "logging/logger.h"
#include "platform/debugger_output.h"

namespace Vela::Testing {

// A target that keeps every record it receives, with the line its format produces.
class CollectingTarget final : public LogTarget {
 public:
  struct Entry {
    LogLevel level;
    uint64_t groups;
    std::string message;
    std::string line;
  };

  explicit CollectingTarget(std::string_view format = kDefaultLineFormat, std::string_view name = "CollectingTarget")
      : LogTarget(format), name_(name) {}
  ~CollectingTarget() override { Detach(); }

  std::string_view Name() const override { return name_; }

  bool Write(const LogRecord& record) override {
    char line[kLineCapacity];
    const std::size_t length = FormatLogLine(Format(), record, line, sizeof line);
    Platform::RecursiveLock::Guard guard(OutputLock());
    entries_.push_back(Entry{record.level, record.groups, std::string(record.message), std::string(line, length)});
    return true;
  }
  void Flush() override {}

  std::vector<Entry> Entries() const {
    Platform::RecursiveLock::Guard guard(OutputLock());
    return entries_;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    for (const Entry& entry : Entries()) messages.push_back(entry.message);
    return messages;
  }

 private:
  std::string name_;
  std::vector<Entry> entries_;
};

// Collects what reaches the debugger channel while it lives.
class DebuggerCapture {
 public:
  DebuggerCapture() { Platform::SetDebuggerOutputObserver(&Observe, this); }
  ~DebuggerCapture() { Platform::SetDebuggerOutputObserver(nullptr, nullptr); }
  DebuggerCapture(const DebuggerCapture&) = delete;
  DebuggerCapture& operator=(const DebuggerCapture&) = delete;

  std::vector<std::string> Texts() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return texts_;
  }

 private:
  static void Observe(const char* text, void* context) {
    auto* self = static_cast<DebuggerCapture*>(context);
    std::lock_guard<std::mutex> guard(self->mutex_);
    self->texts_.emplace_back(text);
  }

  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Gives each test a logger of its own: created fresh in SetUp, destroyed in TearDown.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(LoggerExists()) << "an earlier test left a logger behind";
    AcquireLogger();
  }
  void TearDown() override {
    ReleaseLogger();
    EXPECT_FALSE(LoggerExists());
  }
};

}  // namespace Vela::Testing
