#include "logging/assertion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "logging/log_groups.h"
#include "logging/logging_test_support.h"
#include "util/assertion_hook.h"

namespace Vela {
namespace {

using Testing::CollectingTarget;
using Testing::LoggerTest;

TEST(AssertionTextTest, ShowsOnlyThePartsThatArePresent) {
  struct Row {
    int line;
    std::string_view expression;
    std::string_view file;
    int32_t lineNumber;
    std::string_view function;
    std::string_view description;
    std::string_view expected;
  } rows[] = {
      {__LINE__, "ALE-8A14EBBK", "", 0, "", "", "Assertion failed!\n\nExpression: ALE-8A14EBBK"},
      {__LINE__, "", "a", -3, "f", "", "Assertion failed!\n\nFile: a\nLine: -3\n\nFunction: f\n\n"},
      {__LINE__, "", "", 0, "", "", "Assertion failed!\n\n"},
      {__LINE__, "x > 0", "src/a.cpp", 2147483647, "Run", "why",
       "Assertion failed!\n\nFile: src/a.cpp\nLine: 2147483647\n\nFunction: Run\n\nExpression: x > 0\n\nDescription: why"},
      {__LINE__, "", "", -2147483647 - 1, "", "", "Assertion failed!\n\nLine: -2147483648\n\n"},
      // A description without an expression keeps its own separator.
      {__LINE__, "", "", 0, "", "why", "Assertion failed!\n\n\n\nDescription: why"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(AssertionText(row.expression, row.file, row.lineNumber, row.function, row.description), row.expected);
  }
}

TEST_F(LoggerTest, ReportAssertionLogsOneErrorLineInDbg) {
  StdErrTarget()->Detach();  // keeps the test's output clean; the logger is this test's own
  CollectingTarget target;
  target.Attach();
  ReportAssertion(kAssertUtcBreakdown, "", "", 0, "");
  ReportAssertion("%s%n", "", "", 0, "");  // never used as a format
  const auto entries = target.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].level, LogLevel::Error);
  EXPECT_EQ(entries[0].groups, kLogGroupDbg);
  EXPECT_EQ(entries[0].message, "Assertion failed!\n\nExpression: ALE-8A14EBBK");
  EXPECT_EQ(entries[1].message, "Assertion failed!\n\nExpression: %s%n");
  EXPECT_EQ(ErrorCount(), 2u);
}

TEST_F(LoggerTest, UtilityAssertionsReachTheLog) {
  StdErrTarget()->Detach();
  CollectingTarget target;
  target.Attach();
  RaiseAssertion("ALE-8A14EBBK", nullptr, "", 0, nullptr);
  const auto entries = target.Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].level, LogLevel::Error);
  EXPECT_EQ(entries[0].message, "Assertion failed!\n\nExpression: ALE-8A14EBBK");
}

TEST_F(LoggerTest, FatalAssertionReportsAndAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(FatalAssertion(kAssertIncompatiblePluginApi, "", "", 0, ""),
               " ERROR\\| Assertion failed!\n\nExpression: ALE-EECF0606");
}

}  // namespace
}  // namespace Vela
