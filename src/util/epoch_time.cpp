#include "util/epoch_time.h"

#include <cstdio>
#include <ctime>

#include "platform/clock.h"
#include "util/assertion_hook.h"

namespace Vela {
namespace {

constexpr char kBreakdownFailed[] = "ALE-8A14EBBK";
constexpr uint64_t kFileTicksPerMilli = 10'000;

// UTC calendar fields of `seconds` since 1970 (days-to-civil over 400-year eras).
bool BreakDownUtc(uint64_t seconds, std::tm& parts) {
  if (seconds > kLatestIsoTextMillis / 1000) {
    return false;
  }
  const auto days = static_cast<int64_t>(seconds / 86400);
  const auto secondOfDay = static_cast<int>(seconds % 86400);
  const int64_t shifted = days + 719468;  // days since 0000-03-01
  const int64_t era = shifted / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

  parts = std::tm{};
  parts.tm_year = static_cast<int>(year - 1900);
  parts.tm_mon = static_cast<int>(month - 1);
  parts.tm_mday = static_cast<int>(day);
  parts.tm_hour = secondOfDay / 3600;
  parts.tm_min = secondOfDay / 60 % 60;
  parts.tm_sec = secondOfDay % 60;
  parts.tm_wday = static_cast<int>((days + 4) % 7);  // 1970-01-01 was a Thursday
  return true;
}

}  // namespace

EpochMillis NowEpochMillis() {
  const uint64_t fileTime = Platform::FileTimeNow();
  if (fileTime < Platform::kFileTimeOfUnixEpoch) {
    return 0;
  }
  return (fileTime - Platform::kFileTimeOfUnixEpoch) / kFileTicksPerMilli;
}

std::string EpochMillisToIsoText(EpochMillis millis) {
  std::tm parts{};
  if (!BreakDownUtc(millis / 1000, parts)) {
    RaiseAssertion(kBreakdownFailed, "", "", 0, "");
    return {};
  }
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  if (length == 0) {
    return {};
  }
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(millis % 1000));
  std::string result(text, length - 1);  // all but the final "Z"
  result += fraction;
  result += 'Z';
  return result;
}

}  // namespace Vela
