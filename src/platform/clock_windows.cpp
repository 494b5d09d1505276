#include "platform/clock.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Vela::Platform {
namespace {

CalendarTime FromSystemTime(const SYSTEMTIME& system) {
  CalendarTime time;
  time.year = system.wYear;
  time.month = system.wMonth;
  time.dayOfWeek = system.wDayOfWeek;
  time.day = system.wDay;
  time.hour = system.wHour;
  time.minute = system.wMinute;
  time.second = system.wSecond;
  time.milliseconds = system.wMilliseconds;
  return time;
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// SystemTimeToFileTime's own checks vary between systems (some accept a 60th second for
// leap seconds, Wine also a 1000th millisecond), so the range is checked here, as on POSIX.
bool IsInRange(const CalendarTime& time) {
  static constexpr uint16_t kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12) {
    return false;
  }
  const unsigned lastDay = kDaysInMonth[time.month - 1] + (time.month == 2 && IsLeapYear(time.year) ? 1 : 0);
  return time.day >= 1 && time.day <= lastDay && time.hour < 24 && time.minute < 60 &&
         time.second < 60 && time.milliseconds < 1000;
}

uint64_t FromFileTime(const FILETIME& file) {
  return (static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

}  // namespace

CalendarTime UtcCalendarNow() {
  SYSTEMTIME system{};
  GetSystemTime(&system);
  return FromSystemTime(system);
}

CalendarTime LocalCalendarNow() {
  SYSTEMTIME system{};
  GetLocalTime(&system);
  return FromSystemTime(system);
}

uint64_t FileTimeNow() {
  FILETIME file{};
  GetSystemTimeAsFileTime(&file);
  return FromFileTime(file);
}

bool CalendarToFileTime(const CalendarTime& time, uint64_t& fileTime) {
  if (!IsInRange(time)) {
    return false;
  }
  SYSTEMTIME system{};
  system.wYear = time.year;
  system.wMonth = time.month;
  system.wDayOfWeek = time.dayOfWeek;
  system.wDay = time.day;
  system.wHour = time.hour;
  system.wMinute = time.minute;
  system.wSecond = time.second;
  system.wMilliseconds = time.milliseconds;
  FILETIME file{};
  if (!SystemTimeToFileTime(&system, &file)) {
    return false;
  }
  fileTime = FromFileTime(file);
  return true;
}

uint64_t HighResolutionCounter() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart);
}

uint64_t HighResolutionFrequency() {
  LARGE_INTEGER frequency{};
  // Never fails on XP and later; the fallback keeps callers' divisions safe regardless.
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
    return 1;
  }
  return static_cast<uint64_t>(frequency.QuadPart);
}

}  // namespace Vela::Platform
