// LogRecord: one log line as the logger hands it to every target that accepts it.
#pragma once

#include <cstdint>
#include <string_view>

#include "logging/log_level.h"

namespace Vela {

// Local wall-clock time of a line, broken down as lines print it.
struct LogTimestamp {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t millisecond = 0;
};

struct LogRecord {
  LogTimestamp time;
  LogLevel level = LogLevel::Okay;
  uint64_t groups = 0;
  // Valid only during the write that receives the record.
  std::string_view message;
};

}  // namespace Vela
