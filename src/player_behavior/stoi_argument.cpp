#include "player_behavior/stoi_argument.h"

#include <limits>

namespace Vela::Client::PlayerBehavior {

namespace {

constexpr bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

MaybeType<Failure, int32_t> ParseStoiArgument(std::string_view text) {
  using Result = MaybeType<Failure, int32_t>;
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  if (at == text.size() || !IsDigit(text[at])) return Result::FromFailure(kInvalidStoiArgumentMessage);
  // Accumulated as a magnitude, saturating once past every int32 so long digit runs cannot
  // overflow the accumulator.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  bool overflow = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > kLimit) {
      overflow = true;
      magnitude = kLimit + 1;
    }
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (overflow || value > std::numeric_limits<int32_t>::max() ||
      value < std::numeric_limits<int32_t>::min()) {
    return Result::FromFailure(kStoiOutOfRangeMessage);
  }
  return Result(static_cast<int32_t>(value));
}

}  // namespace Vela::Client::PlayerBehavior
