// The rules that turn what the back end says about a ban into a BanNotification: when a
// ban counts as permanent, how its end is written in log lines, and which reason a forced
// client shutdown stores.
//
//   bool permanent = IsBeyondPermanentHorizon(end, NowEpochMillis());
//   std::string until = BanUntilText(end, permanent);            // "FOREVER" or ISO text
//   std::optional<std::string> reason = ForcedShutdownBanReason("USER_BANNED_FOR_LEAVING", "");
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Vela::Client::PlayerBehavior {

// Three years of 365 days.
inline constexpr uint64_t kPermanentBanHorizonMillis = 94'608'000'000ULL;
inline constexpr std::string_view kForeverText = "FOREVER";
inline constexpr std::string_view kBannedReason = "Banned";
inline constexpr std::string_view kPrimeSystemReason = "PrimeSystem";
inline constexpr std::string_view kUserBannedPrefix = "USER_BANNED";
inline constexpr std::string_view kUserSuspendedReason = "USER_SUSPENDED";
inline constexpr std::string_view kAltBanPrefix = "ALTBAN";

// True when `endMillis` lies strictly more than the horizon after `nowMillis`.
[[nodiscard]] bool IsBeyondPermanentHorizon(uint64_t endMillis, uint64_t nowMillis) noexcept;

// "FOREVER" for a permanent ban, otherwise the end as "YYYY-MM-DDTHH:MM:SS.mmmZ" (the empty
// text for an end that has no calendar date).
[[nodiscard]] std::string BanUntilText(uint64_t endMillis, bool permanent);

// The reason stored for a forced client shutdown, or none when the shutdown is no ban:
// "USER_BANNED" followed by exactly one known suffix gives that suffix's reason; any other
// text after "USER_BANNED" gives `additionalInfo` when it begins with "ALTBAN", else
// "Banned"; exactly "USER_SUSPENDED" gives "Banned".
[[nodiscard]] std::optional<std::string> ForcedShutdownBanReason(std::string_view reason,
                                                                 std::string_view additionalInfo);

}  // namespace Vela::Client::PlayerBehavior
