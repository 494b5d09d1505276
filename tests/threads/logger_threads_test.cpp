// The logger and its targets under concurrent logging, configuration and attachment.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "logging/line_format.h"
#include "logging/log_groups.h"
#include "logging/logger.h"
#include "platform/recursive_lock.h"
#include "thread_test_support.h"

namespace Vela {
namespace {

using ThreadTest::RunTogether;

// Counts the lines it is handed, under its output lock, as a real target writes.
class CountingTarget final : public LogTarget {
 public:
  explicit CountingTarget(std::string name) : name_(std::move(name)) {}
  ~CountingTarget() override { Detach(); }
  std::string_view Name() const override { return name_; }
  bool Write(const LogRecord&) override {
    Platform::RecursiveLock::Guard guard(OutputLock());
    ++lines_;
    return true;
  }
  void Flush() override {}
  uint64_t lines() const {
    Platform::RecursiveLock::Guard guard(OutputLock());
    return lines_;
  }

 private:
  const std::string name_;
  uint64_t lines_ = 0;
};

using LoggerThreads = ThreadTest::QuietLoggerTest;

constexpr int kThreads = 4;
constexpr int kLinesPerThread = 400;

// Writes each line a character at a time, so that unserialised writers would mix them.
class SlowTarget final : public LogTarget {
 public:
  SlowTarget() : LogTarget("#M") {}
  ~SlowTarget() override { Detach(); }
  std::string_view Name() const override { return "Slow"; }
  bool Write(const LogRecord& record) override {
    char line[kLineCapacity];
    const std::size_t length = FormatLogLine(Format(), record, line, sizeof line);
    for (std::size_t i = 0; i < length; ++i) {
      text += line[i];
      if (i % 4 == 0) std::this_thread::yield();
    }
    return true;
  }
  void Flush() override {}
  std::string text;
};

TEST_F(LoggerThreads, EveryLineFromEveryThreadArrivesWholeAndInOrder) {
  SlowTarget target;
  target.Attach();
  const uint64_t warningsBefore = WarningCount();
  RunTogether(kThreads + 1, [&](int thread) {
    if (thread == kThreads) {
      // The configuration changes meanwhile, never so that an Always line in DBG drops.
      for (int i = 0; i < kLinesPerThread; ++i) {
        SetMinimumLevel(i % 2 == 0 ? LogLevel::Okay : LogLevel::Warn);
        SetExcludedGroups(i % 2 == 0 ? kInitialExcludedGroups : 0);
        EXPECT_EQ(FindTarget("Slow"), &target.Sink());
        (void)IsPaused();
        (void)MinimumLevel();
      }
      return;
    }
    for (int i = 0; i < kLinesPerThread; ++i) {
      const LogLevel level = i % 50 == 0 ? LogLevel::Warn : LogLevel::Always;
      LogMessage(level, static_cast<uint32_t>(kLogGroupDbg), 0, "thread %d line %03d end",
                 thread, i);
    }
  });
  target.Detach();
  SetMinimumLevel(kInitialMinimumLevel);
  SetExcludedGroups(kInitialExcludedGroups);

  // Each line is whole and the next of its thread's lines.
  std::vector<int> nextLine(kThreads, 0);
  std::istringstream text(target.text);
  int lines = 0;
  for (std::string line; std::getline(text, line); ++lines) {
    const int thread = line.size() > 7 ? line[7] - '0' : -1;
    ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
    char expected[48];
    std::snprintf(expected, sizeof expected, "thread %d line %03d end", thread, nextLine[thread]++);
    ASSERT_EQ(line, expected);
  }
  EXPECT_EQ(lines, kThreads * kLinesPerThread);
  const uint64_t warnings = static_cast<uint64_t>(kThreads) * (kLinesPerThread / 50);
  EXPECT_EQ(WarningCount() - warningsBefore, warnings);
}

TEST_F(LoggerThreads, TargetsComeAndGoWhileOthersLog) {
  CountingTarget steady("Steady");
  steady.Attach();
  std::atomic<bool> logging{true};
  RunTogether(kThreads, [&](int thread) {
    if (thread == 0) {
      // Targets attached, detached and destroyed while lines are being written.
      for (int i = 0; i < 200; ++i) {
        CountingTarget passing("Passing");
        passing.Attach();
        passing.SetLevel(i % 2 == 0 ? LogLevel::Okay : LogLevel::Always);
        passing.SetGroups(kLogGroupDbg, 0);
        if (i % 3 == 0) passing.Sink().Detach();
        (void)passing.lines();
      }
      logging.store(false);
      return;
    }
    int lines = 0;
    while (logging.load() || lines < 100) {
      LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, "line %d", lines++);
    }
  });
  // Every destroyed target left the logger.
  EXPECT_EQ(FindTarget("Passing"), nullptr);
  EXPECT_EQ(FindTarget("Steady"), &steady.Sink());
  EXPECT_GE(steady.lines(), static_cast<uint64_t>(kThreads - 1) * 100);
}

TEST_F(LoggerThreads, ReferencesTakenAndDroppedOnManyThreadsKeepTheLogger) {
  RunTogether(kThreads, [&](int thread) {
    for (int i = 0; i < 300; ++i) {
      LoggerReference reference;
      if (thread % 2 == 0) LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, "ref %d", i);
      EXPECT_TRUE(LoggerExists());
    }
  });
  EXPECT_TRUE(LoggerExists());  // the fixture's reference still holds it
}

}  // namespace
}  // namespace Vela
