// Wall-clock and monotonic time from the operating system.
//
// Calendar time mirrors the Windows SYSTEMTIME breakdown so that both implementations
// hand the logger and the epoch-time helpers the same fields. File time counts 100 ns
// ticks since 1601-01-01 UTC, as GetSystemTimeAsFileTime does.
//
//   Vela::Platform::CalendarTime now = Vela::Platform::LocalCalendarNow();
//   uint64_t ticks = Vela::Platform::FileTimeNow();
#pragma once

#include <cstdint>

namespace Vela::Platform {

struct CalendarTime {
  uint16_t year = 0;
  uint16_t month = 0;      // 1..12
  uint16_t dayOfWeek = 0;  // 0 = Sunday
  uint16_t day = 0;        // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// 100 ns ticks between 1601-01-01 and 1970-01-01.
inline constexpr uint64_t kFileTimeOfUnixEpoch = 116444736000000000ULL;

CalendarTime UtcCalendarNow();
CalendarTime LocalCalendarNow();

// Current UTC time as a file time.
uint64_t FileTimeNow();

// Converts a UTC calendar time to a file time; false when the fields are out of range.
[[nodiscard]] bool CalendarToFileTime(const CalendarTime& time, uint64_t& fileTime);

// Monotonic high-resolution counter and its ticks per second (never 0).
uint64_t HighResolutionCounter();
uint64_t HighResolutionFrequency();

}  // namespace Vela::Platform
