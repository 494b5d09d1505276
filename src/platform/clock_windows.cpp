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
