#include "logging/logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "logging/console_log_targets.h"
#include "logging/log_groups.h"
#include "logging/logging_test_support.h"
#include "platform/process_info.h"
#include "util/full_regex_matcher.h"

namespace Vela {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Testing::CollectingTarget;
using Testing::DebuggerCapture;
using Testing::LoggerTest;

std::string ExpectedConsolePrefix() {
  char path[kModuleFileNameCapacity];
  const std::size_t length = Platform::ModuleFileName(path, sizeof path);
  char thread[16];
  std::snprintf(thread, sizeof thread, "%08X", static_cast<unsigned>(Platform::CurrentThreadId()));
  return std::string(Platform::ExecutableNameOf(std::string_view(path, length))) + "(" + thread + "): ";
}

TEST_F(LoggerTest, WarningInDbgReachesStdErrAndDebuggerAsOneConsoleLine) {
  DebuggerCapture debugger;
  ::testing::internal::CaptureStderr();
  LogMessage(LogLevel::Warn, 1, 0, "%s", "text");
  LogMessage(LogLevel::Okay, 1, 0, "%s", "too quiet");
  const std::string stderrText = ::testing::internal::GetCapturedStderr();

  const std::string expected = ExpectedConsolePrefix() + "  WARN| text\n";
  EXPECT_EQ(stderrText, expected);
  EXPECT_THAT(debugger.Texts(), ElementsAre(expected));
  EXPECT_EQ(WarningCount(), 1u);
}

TEST_F(LoggerTest, GroupFiltersOfLoggerAndBuiltInTargets) {
  CollectingTarget everything;  // level 1, no group filter
  everything.Attach();
  struct Row {
    int line;
    uint64_t groups;
    bool reachesCollector;
    bool reachesStdErr;
    bool reachesDebugger;
  } rows[] = {
      // XTR is excluded by the logger itself, whatever the targets say.
      {__LINE__, kLogGroupXtr, false, false, false},
      {__LINE__, kLogGroupXtr | kLogGroupDbg, false, false, false},
      // GEN: excluded by standard error, not included by the debugger target.
      {__LINE__, kLogGroupGen, true, false, false},
      {__LINE__, kLogGroupDbg | kLogGroupGen, true, false, true},
      // No groups pass every group filter.
      {__LINE__, 0, true, true, true},
      {__LINE__, kLogGroupDbg | kLogGroupNet, true, true, true},
      {__LINE__, kLogGroupNet, true, false, false},
      {__LINE__, uint64_t{1} << 40, true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::size_t collectedBefore = everything.Entries().size();
    DebuggerCapture debugger;
    ::testing::internal::CaptureStderr();
    LogMessage(LogLevel::Error, static_cast<uint32_t>(row.groups), static_cast<uint32_t>(row.groups >> 32), "row %d",
               row.line);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(everything.Entries().size() - collectedBefore, row.reachesCollector ? 1u : 0u);
    EXPECT_EQ(!stderrText.empty(), row.reachesStdErr);
    EXPECT_EQ(debugger.Texts().size(), row.reachesDebugger ? 1u : 0u);
    if (row.reachesCollector) {
      EXPECT_EQ(everything.Entries().back().groups, row.groups);
    }
  }
}

TEST_F(LoggerTest, TargetFiltersOnItsOwnLevelAndGroups) {
  CollectingTarget target;
  target.Attach();
  // Included minus excluded is stored: NET is excluded, so it is not included.
  target.Sink().SetGroups(kLogGroupDbg | kLogGroupNet, kLogGroupNet);
  target.Sink().SetLevel(LogLevel::Error);
  EXPECT_EQ(target.IncludedGroups(), kLogGroupDbg);
  EXPECT_EQ(target.ExcludedGroups(), kLogGroupNet);
  struct Row {
    int line;
    LogLevel level;
    uint64_t groups;
    bool reaches;
  } rows[] = {
      {__LINE__, LogLevel::Error, kLogGroupDbg, true},
      {__LINE__, LogLevel::Warn, kLogGroupDbg, false},
      {__LINE__, LogLevel::Error, kLogGroupDbg | kLogGroupNet, false},
      {__LINE__, LogLevel::Error, kLogGroupDbg | kLogGroupMem, true},
      {__LINE__, LogLevel::Error, kLogGroupMem, false},
      {__LINE__, LogLevel::Error, 0, true},
      {__LINE__, LogLevel::Warn, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::size_t before = target.Entries().size();
    LogMessage(row.level, static_cast<uint32_t>(row.groups), 0, "m");
    EXPECT_EQ(target.Entries().size() - before, row.reaches ? 1u : 0u);
  }
}

TEST_F(LoggerTest, MinimumLevelPauseAndCounters) {
  CollectingTarget target;
  target.Attach();
  target.SetLevel(LogLevel::Okay);

  LogMessage(LogLevel::Okay, kLogGroupTst, 0, "below the minimum");
  SetMinimumLevel(LogLevel::Okay);
  EXPECT_EQ(MinimumLevel(), LogLevel::Okay);
  LogMessage(LogLevel::Okay, kLogGroupTst, 0, "okay");
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "warn %d", 1);
  LogMessage(LogLevel::Error, kLogGroupTst, 0, "error %d", 1);
  Pause();
  EXPECT_TRUE(IsPaused());
  LogMessage(LogLevel::Error, kLogGroupTst, 0, "paused");
  Resume();
  LogMessage(LogLevel::Always, kLogGroupTst, 0, "always");
  SetExcludedGroups(kLogGroupTst);
  EXPECT_EQ(ExcludedGroups(), kLogGroupTst);
  LogMessage(LogLevel::Error, kLogGroupTst, 0, "excluded");
  // Counted though no target takes it: the count is the logger's.
  target.SetLevel(LogLevel::Always);
  LogMessage(LogLevel::Warn, kLogGroupDsk, 0, "warn 2");

  EXPECT_THAT(target.Messages(), ElementsAre("okay", "warn 1", "error 1", "always"));
  EXPECT_EQ(WarningCount(), 2u);
  EXPECT_EQ(ErrorCount(), 1u);
}

TEST_F(LoggerTest, RendersPrintfMessagesCutAt4095Bytes) {
  CollectingTarget target;
  target.Attach();
  const std::string longText(5000, 'y');
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "%s: %d%%", "name", 42);
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "%s", longText.c_str());
  LogMessage(LogLevel::Warn, 0, 0, nullptr);
  const auto entries = target.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, "name: 42%");
  EXPECT_EQ(entries[1].message, longText.substr(0, kMessageCapacity - 1));
  EXPECT_EQ(entries[1].line.size(), kLineCapacity - 1);
  EXPECT_EQ(entries[1].line.back(), '\n');
}

TEST_F(LoggerTest, DefaultTargetFormatShowsDateLevelGroupsAndMessage) {
  CollectingTarget target;
  target.Attach();
  LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg | kLogGroupNet), 0, "text");
  ASSERT_EQ(target.Entries().size(), 1u);
  EXPECT_THAT(target.Entries()[0].line,
              Testing::MatchesFullRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}\\|  ERROR\\| "
                                      "DBG;NET\\| text\n"));
}

// Notes its name in a shared list on every write.
class OrderTarget final : public LogTarget {
 public:
  OrderTarget(std::string name, std::vector<std::string>& order) : name_(std::move(name)), order_(order) {}
  ~OrderTarget() override { Detach(); }
  std::string_view Name() const override { return name_; }
  bool Write(const LogRecord&) override {
    order_.push_back(name_);
    return true;
  }
  void Flush() override {}

 private:
  std::string name_;
  std::vector<std::string>& order_;
};

TEST_F(LoggerTest, SinksReceiveLinesInOrderOfAttachment) {
  std::vector<std::string> order;
  OrderTarget a("A", order);
  OrderTarget b("B", order);
  OrderTarget c("B", order);
  c.Attach();
  a.Attach();
  b.Attach();
  EXPECT_EQ(FindTarget("B"), &c.Sink()) << "the first attached of that name";
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "one");
  c.Detach();
  c.Attach();
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "two");
  EXPECT_THAT(order, ElementsAre("B", "A", "B", "A", "B", "B"));
  EXPECT_EQ(FindTarget("B"), &b.Sink());
}

TEST_F(LoggerTest, DetachedAndDestroyedTargetsReceiveNothing) {
  CollectingTarget kept;
  kept.Attach();
  {
    CollectingTarget shortLived;
    shortLived.Attach();
    ASSERT_TRUE(shortLived.IsAttached());
  }
  kept.Detach();
  EXPECT_FALSE(kept.IsAttached());
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "after");  // must not reach the destroyed target
  EXPECT_THAT(kept.Entries(), IsEmpty());
  kept.Attach();
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "again");
  EXPECT_THAT(kept.Messages(), ElementsAre("again"));
}

TEST_F(LoggerTest, StdOutTargetWritesTheMessageAlone) {
  LogSink* out = StdOutTarget();
  ASSERT_NE(out, nullptr);
  auto* target = static_cast<StdOutLogTarget*>(out->target);
  EXPECT_EQ(target->FlushMode(), StdOutFlushMode::Buffered);
  target->SetFlushMode(StdOutFlushMode::AfterEachLine);
  out->Attach();
  EXPECT_EQ(FindTarget("StdOutLogTarget"), out);
  ::testing::internal::CaptureStdout();
  LogMessage(LogLevel::Warn, static_cast<uint32_t>(kLogGroupGen), 0, "general %d", 7);
  LogMessage(LogLevel::Warn, static_cast<uint32_t>(kLogGroupDbg), 0, "debug");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "general 7\n");
}

// Logs from inside its own write, as a target reporting its own failure would.
class LoggingTarget final : public LogTarget {
 public:
  ~LoggingTarget() override { Detach(); }
  bool Write(const LogRecord& record) override {
    ++writes;
    LogMessage(LogLevel::Error, 0, 0, "nested %s", std::string(record.message).c_str());
    return true;
  }
  void Flush() override {}
  int writes = 0;
};

TEST_F(LoggerTest, LineLoggedFromInsideAWriteIsDropped) {
  LoggingTarget target;
  target.Attach();
  LogMessage(LogLevel::Warn, kLogGroupTst, 0, "outer");
  EXPECT_EQ(target.writes, 1);
  EXPECT_EQ(ErrorCount(), 0u);
}

TEST(LoggerLifetimeTest, LastReleaseDestroysAndDetaches) {
  ASSERT_FALSE(LoggerExists());
  CollectingTarget target;
  target.Attach();
  EXPECT_FALSE(target.IsAttached()) << "nothing to attach to without a logger";

  AcquireLogger();
  AcquireLogger();
  target.Attach();
  ASSERT_TRUE(target.IsAttached());
  ReleaseLogger();
  EXPECT_TRUE(LoggerExists());
  EXPECT_TRUE(target.IsAttached());
  ReleaseLogger();
  EXPECT_FALSE(LoggerExists());
  EXPECT_FALSE(target.IsAttached());
  EXPECT_EQ(StdErrTarget(), nullptr);
  EXPECT_EQ(FindTarget("CollectingTarget"), nullptr);

  // An unbalanced release is ignored: it must not make the next holder's release a no-op.
  ReleaseLogger();
  {
    LoggerReference reference;
    AcquireLogger();
    ReleaseLogger();
    EXPECT_TRUE(LoggerExists());
  }
  EXPECT_FALSE(LoggerExists());
}

TEST(LoggerLifetimeTest, LogMessageCreatesTheLoggerWhenThereIsNone) {
  ASSERT_FALSE(LoggerExists());
  SetMinimumLevel(LogLevel::Always);  // no logger: nothing to change
  EXPECT_EQ(MinimumLevel(), kInitialMinimumLevel);

  DebuggerCapture debugger;
  LogMessage(LogLevel::Error, kLogGroupDbg, 0, "first line");
  EXPECT_TRUE(LoggerExists());
  ASSERT_EQ(debugger.Texts().size(), 1u);
  EXPECT_THAT(debugger.Texts()[0], ::testing::EndsWith(" ERROR| first line\n"));

  // Whoever releases last destroys it, even one the first line created.
  AcquireLogger();
  ReleaseLogger();
  EXPECT_FALSE(LoggerExists());
}

}  // namespace
}  // namespace Vela
