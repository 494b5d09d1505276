// The service's log lines: level 3 (ALWAYS), group DBG.
//
//   LogPlayerBehavior(kBannedUntilLogFormat, until.c_str());
#pragma once

#include <cstdint>
#include <utility>

#include "logging/log_groups.h"
#include "logging/logger.h"

namespace Vela::Client::PlayerBehavior {

template <typename... Args>
void LogPlayerBehavior(const char* format, Args... arguments) {
#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
  // The formats are the named constants of player_behavior_service.h.
  LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, format, arguments...);
#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic pop
#endif
}

}  // namespace Vela::Client::PlayerBehavior
