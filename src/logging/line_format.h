// Turns a LogRecord into one text line through a target's line format.
//
// Format grammar: "#" and one letter is a token, everything else is copied.
//   #D  local time of the record, 2024-05-01T13:02:03.045
//   #E  the executable's name
//   #G  the record's group codes, "DBG;NET"
//   #H  seconds since the process first asked for elapsed time, "000012.345"
//   #L  the level name, " ERROR"
//   #M  the message
//   #T  the writing thread's identifier as eight upper-case hex digits, "0000ABCD"
// "#" and any other character gives that character ("##" is "#"); a "#" that ends the
// format is copied as it is.
//
// The line always ends with exactly one newline: one is appended unless the text already
// ends with one; when the buffer is full the last character gives way to it.
//
//   char line[kLineCapacity];
//   FormatLine("#L| #M", record, context, line, sizeof line);   // "  WARN| text\n"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "logging/log_record.h"

namespace Vela {

// Room for one line, its newline and the NUL.
inline constexpr std::size_t kLineCapacity = 4096;

// What a line may show besides the record: facts about the process and the writing thread.
struct LineContext {
  std::string_view executableName;
  uint32_t threadId = 0;
  // Asked only when the format holds "#H", so that merely logging does not start the clock.
  uint64_t (*elapsedMilliseconds)() = nullptr;
};

// Writes the line into `buffer` (NUL-terminated) and returns its length, newline included.
// Text is cut when fewer than two bytes of the buffer remain. A capacity below 2 leaves
// room for no line: the result is 0 (and the buffer, if it has a byte, holds the NUL).
std::size_t FormatLine(std::string_view format, const LogRecord& record, const LineContext& context,
                       char* buffer, std::size_t capacity);

}  // namespace Vela
