// The two error answers of REST handlers: status 404 "Not found" and status 500 "Internal
// server error", each with the handler's message when it gives one.
//
//   RestResult<BanNotification> GetBan() { if (ban.id == 0) return NotFound(); return ban; }
#pragma once

#include <cstdint>
#include <string_view>

#include "rest/rest_function.h"

namespace Vela {

inline constexpr uint32_t kNotFoundStatus = 404;
inline constexpr uint32_t kInternalServerErrorStatus = 500;
inline constexpr std::string_view kNotFoundMessage = "Not found";
inline constexpr std::string_view kInternalServerErrorMessage = "Internal server error";

// An empty message gives the status's standard text.
[[nodiscard]] RestFailure NotFound(std::string_view message = {});
[[nodiscard]] RestFailure InternalServerError(std::string_view message = {});

}  // namespace Vela
