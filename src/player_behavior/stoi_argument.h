// Reads a path identifier as the standard decimal string-to-int conversion does: leading
// white space (" \t\n\v\f\r") and one sign are accepted, digits are read up to the first
// non-digit, and the value must fit a signed 32-bit integer.
//
//   ParseStoiArgument(" -12abc").value() == -12
//   ParseStoiArgument("abc").message()   == "invalid stoi argument"
//   ParseStoiArgument("2147483648").message() == "stoi argument out of range"
#pragma once

#include <cstdint>
#include <string_view>

#include "binding/maybe_type.h"

namespace Vela::Client::PlayerBehavior {

inline constexpr std::string_view kInvalidStoiArgumentMessage = "invalid stoi argument";
inline constexpr std::string_view kStoiOutOfRangeMessage = "stoi argument out of range";

[[nodiscard]] MaybeType<Failure, int32_t> ParseStoiArgument(std::string_view text);

}  // namespace Vela::Client::PlayerBehavior
