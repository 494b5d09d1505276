#include "platform/clock.h"

#include <ctime>

namespace Vela::Platform {
namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;  // file time counts 100 ns ticks
constexpr uint64_t kNanosecondsPerSecond = 1'000'000'000;

timespec ClockNow(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return now;
}

CalendarTime FromBrokenDown(const std::tm& parts, long nanoseconds) {
  CalendarTime time;
  time.year = static_cast<uint16_t>(parts.tm_year + 1900);
  time.month = static_cast<uint16_t>(parts.tm_mon + 1);
  time.dayOfWeek = static_cast<uint16_t>(parts.tm_wday);
  time.day = static_cast<uint16_t>(parts.tm_mday);
  time.hour = static_cast<uint16_t>(parts.tm_hour);
  time.minute = static_cast<uint16_t>(parts.tm_min);
  // A leap second (60) is folded into 59, as SYSTEMTIME has no room for it.
  time.second = static_cast<uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  time.milliseconds = static_cast<uint16_t>(nanoseconds / 1'000'000);
  return time;
}

bool IsLeapYear(uint32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

uint32_t DaysInMonth(uint32_t year, uint32_t month) {
  static constexpr uint8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the given date (proleptic Gregorian).
uint64_t DaysSince1601(uint32_t year, uint32_t month, uint32_t day) {
  const uint64_t yearsBefore = year - 1601;
  uint64_t days = yearsBefore * 365 + yearsBefore / 4 - yearsBefore / 100 + yearsBefore / 400;
  for (uint32_t m = 1; m < month; ++m) {
    days += DaysInMonth(year, m);
  }
  return days + day - 1;
}

}  // namespace

CalendarTime UtcCalendarNow() {
  const timespec now = ClockNow(CLOCK_REALTIME);
  std::tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  return FromBrokenDown(parts, now.tv_nsec);
}

CalendarTime LocalCalendarNow() {
  const timespec now = ClockNow(CLOCK_REALTIME);
  std::tm parts{};
  localtime_r(&now.tv_sec, &parts);
  return FromBrokenDown(parts, now.tv_nsec);
}

uint64_t FileTimeNow() {
  const timespec now = ClockNow(CLOCK_REALTIME);
  return kFileTimeOfUnixEpoch + static_cast<uint64_t>(now.tv_sec) * kTicksPerSecond +
         static_cast<uint64_t>(now.tv_nsec) / 100;
}

bool CalendarToFileTime(const CalendarTime& time, uint64_t& fileTime) {
  // The ranges SystemTimeToFileTime accepts; the day of the week is ignored, as there.
  if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 ||
      time.day < 1 || time.day > DaysInMonth(time.year, time.month) || time.hour > 23 ||
      time.minute > 59 || time.second > 59 || time.milliseconds > 999) {
    return false;
  }
  const uint64_t seconds = DaysSince1601(time.year, time.month, time.day) * 86400 +
                           time.hour * 3600u + time.minute * 60u + time.second;
  fileTime = seconds * kTicksPerSecond + time.milliseconds * 10'000ull;
  return true;
}

uint64_t HighResolutionCounter() {
  const timespec now = ClockNow(CLOCK_MONOTONIC);
  return static_cast<uint64_t>(now.tv_sec) * kNanosecondsPerSecond +
         static_cast<uint64_t>(now.tv_nsec);
}

uint64_t HighResolutionFrequency() { return kNanosecondsPerSecond; }

}  // namespace Vela::Platform
