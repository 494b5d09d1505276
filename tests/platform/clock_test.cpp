#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace Vela::Platform {
namespace {

constexpr uint64_t kTicksPerMilli = 10'000;

TEST(CalendarToFileTime, ConvertsKnownDates) {
  struct Case {
    int line;
    CalendarTime time;
    uint64_t expected;
  };
  const Case cases[] = {
      {__LINE__, {1601, 1, 0, 1, 0, 0, 0, 0}, 0},
      {__LINE__, {1970, 1, 4, 1, 0, 0, 0, 0}, kFileTimeOfUnixEpoch},
      // 2023-11-14T22:13:20.123Z is 1 700 000 000 123 ms after the epoch.
      {__LINE__, {2023, 11, 2, 14, 22, 13, 20, 123},
       kFileTimeOfUnixEpoch + 1'700'000'000'123ull * kTicksPerMilli},
      // A leap day, and the day of the week is ignored.
      {__LINE__, {2000, 2, 6, 29, 0, 0, 0, 0}, kFileTimeOfUnixEpoch + 951'782'400'000ull * kTicksPerMilli},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    uint64_t fileTime = 1;
    ASSERT_TRUE(CalendarToFileTime(c.time, fileTime));
    EXPECT_EQ(fileTime, c.expected);
  }
}

TEST(CalendarToFileTime, RejectsFieldsOutOfRange) {
  struct Case {
    int line;
    CalendarTime time;
  };
  const Case cases[] = {
      {__LINE__, {1600, 12, 0, 31, 0, 0, 0, 0}},
      {__LINE__, {2023, 0, 0, 1, 0, 0, 0, 0}},
      {__LINE__, {2023, 13, 0, 1, 0, 0, 0, 0}},
      {__LINE__, {2023, 2, 0, 29, 0, 0, 0, 0}},  // not a leap year
      {__LINE__, {1900, 2, 0, 29, 0, 0, 0, 0}},  // century, not a leap year
      {__LINE__, {2023, 4, 0, 31, 0, 0, 0, 0}},
      {__LINE__, {2023, 1, 0, 0, 0, 0, 0, 0}},
      {__LINE__, {2023, 1, 0, 1, 24, 0, 0, 0}},
      {__LINE__, {2023, 1, 0, 1, 0, 60, 0, 0}},
      {__LINE__, {2023, 1, 0, 1, 0, 0, 60, 0}},
      {__LINE__, {2023, 1, 0, 1, 0, 0, 0, 1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    uint64_t fileTime = 0;
    EXPECT_FALSE(CalendarToFileTime(c.time, fileTime));
  }
}

TEST(Clock, FileTimeAgreesWithUtcCalendar) {
  const uint64_t before = FileTimeNow();
  const CalendarTime utc = UtcCalendarNow();
  const uint64_t after = FileTimeNow();

  uint64_t fromCalendar = 0;
  ASSERT_TRUE(CalendarToFileTime(utc, fromCalendar));
  // The calendar keeps milliseconds only, so it may lie up to 1 ms below `before`.
  EXPECT_GE(fromCalendar + kTicksPerMilli, before);
  EXPECT_LE(fromCalendar, after);
  EXPECT_GT(before, kFileTimeOfUnixEpoch);
  EXPECT_LE(utc.dayOfWeek, 6);
}

TEST(Clock, HighResolutionCounterIsMonotonicAtItsFrequency) {
  const uint64_t frequency = HighResolutionFrequency();
  ASSERT_GT(frequency, 0u);
  const uint64_t first = HighResolutionCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const uint64_t second = HighResolutionCounter();
  ASSERT_GT(second, first);
  // At least the 20 ms slept, counted in the reported frequency.
  EXPECT_GE((second - first) * 1000 / frequency, 19u);
}

}  // namespace
}  // namespace Vela::Platform
