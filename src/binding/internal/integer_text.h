// What the coercing reads and the converters agree on when a number becomes a 64-bit
// integer: where the double range stops fitting, and how a text is read (strtoll /
// strtoull in base 0: decimal, 0x hexadecimal, leading-0 octal).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>

namespace Vela::detail {

// 2^63 and 2^64 as doubles: the first values that no longer fit int64 / uint64. A bound
// such as INT64_MAX rounds up to 2^63 when compared as a double, so these exclusive limits
// are checked before a truncating cast.
inline constexpr double kTwoPow63 = 9223372036854775808.0;
inline constexpr double kTwoPow64 = 18446744073709551616.0;

// strtoll for int64_t, strtoull for uint64_t, in base 0. `text` must end with a NUL;
// `end` (may be null) gets where the number stopped, errno ERANGE on overflow.
template <typename Integer>
  requires(std::is_same_v<Integer, int64_t> || std::is_same_v<Integer, uint64_t>)
Integer ParseIntegerText(const char* text, char** end) noexcept {
  if constexpr (std::is_signed_v<Integer>) {
    return static_cast<Integer>(std::strtoll(text, end, 0));
  } else {
    return static_cast<Integer>(std::strtoull(text, end, 0));
  }
}

}  // namespace Vela::detail
