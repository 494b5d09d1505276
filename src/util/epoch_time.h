// Time as milliseconds since 1970-01-01T00:00:00 UTC, and its ISO 8601 text.
//
//   uint64_t now = Vela::NowEpochMillis();
//   std::string text = Vela::EpochMillisToIsoText(1700000000123);  // 2023-11-14T22:13:20.123Z
#pragma once

#include <cstdint>
#include <string>

namespace Vela {

using EpochMillis = uint64_t;

// The system clock's UTC time; 0 if the clock stands before 1970.
EpochMillis NowEpochMillis();

// Times up to this one (3000-12-31T23:59:59.999Z) break down into calendar time; the C
// runtime on Windows refuses later ones, and every platform behaves the same.
inline constexpr EpochMillis kLatestIsoTextMillis = 32'535'215'999'999ULL;

// "YYYY-MM-DDTHH:MM:SS.mmmZ" in UTC. A time past kLatestIsoTextMillis cannot be broken
// down: it raises the assertion "ALE-8A14EBBK" (util/assertion_hook.h) and returns the
// empty text.
std::string EpochMillisToIsoText(EpochMillis millis);

}  // namespace Vela
