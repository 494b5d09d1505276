// Severity of a log line and the six-character name that lines show for it.
//
// Levels are plain 32-bit numbers on the wire (the host forwards them as such), so a
// value outside the four named ones can arrive; it still orders by number and gets a
// placeholder name instead of reading past the name table.
//
//   LogMessage(LogLevel::Warn, kLogGroupDbg, 0, "%s", text);
//   LevelName(LogLevel::Error) == " ERROR"
#pragma once

#include <cstdint>
#include <string_view>

namespace Vela {

enum class LogLevel : int32_t {
  Okay = 0,
  Warn = 1,
  Error = 2,
  Always = 3,
};

// Shown for a level outside 0..3.
inline constexpr std::string_view kUnknownLevelName = "??????";

// The six-character name of `level` ("  OKAY", "  WARN", " ERROR", "ALWAYS").
constexpr std::string_view LevelName(LogLevel level) {
  switch (static_cast<int32_t>(level)) {
    case 0: return "  OKAY";
    case 1: return "  WARN";
    case 2: return " ERROR";
    case 3: return "ALWAYS";
    default: return kUnknownLevelName;  // open: levels arrive as numbers from outside
  }
}

}  // namespace Vela
