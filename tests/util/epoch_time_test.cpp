#include "util/epoch_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "util/assertion_hook.h"

namespace Vela {
namespace {

TEST(EpochMillisToIsoText, WritesUtcWithMilliseconds) {
  struct Case {
    int line;
    EpochMillis millis;
    std::string expected;
  };
  const Case cases[] = {
      {__LINE__, 0, "1970-01-01T00:00:00.000Z"},
      {__LINE__, 1'700'000'000'123, "2023-11-14T22:13:20.123Z"},
      {__LINE__, 951'782'400'007, "2000-02-29T00:00:00.007Z"},  // leap day
      {__LINE__, 4'107'542'399'000, "2100-02-28T23:59:59.000Z"},  // 2100 is not a leap year
      {__LINE__, 4'107'542'400'000, "2100-03-01T00:00:00.000Z"},
      {__LINE__, kLatestIsoTextMillis, "3000-12-31T23:59:59.999Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(EpochMillisToIsoText(c.millis), c.expected);
  }
}

std::vector<std::string> g_reports;

void RecordReport(const char* expression, const char* description, const char* file, int32_t line,
                  const char* function) {
  g_reports.push_back(std::string(expression) + "|" + description + "|" + file + "|" +
                      std::to_string(line) + "|" + function);
}

TEST(EpochMillisToIsoText, ReportsTimesThatCannotBreakDown) {
  g_reports.clear();
  SetAssertionReporter(&RecordReport);
  EXPECT_EQ(EpochMillisToIsoText(kLatestIsoTextMillis + 1), "");
  EXPECT_EQ(EpochMillisToIsoText(~EpochMillis{0}), "");
  SetAssertionReporter(nullptr);
  EXPECT_EQ(EpochMillisToIsoText(~EpochMillis{0}), "");  // silent without a reporter
  EXPECT_EQ(g_reports, (std::vector<std::string>{"ALE-8A14EBBK|||0|", "ALE-8A14EBBK|||0|"}));
}

}  // namespace
}  // namespace Vela
