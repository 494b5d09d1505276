#include "player_behavior/ban_rules.h"

#include <array>
#include <utility>

#include "util/epoch_time.h"

namespace Vela::Client::PlayerBehavior {

namespace {

struct SuffixReason {
  std::string_view suffix;
  std::string_view reason;
};

constexpr std::array<SuffixReason, 5> kBanSuffixes = {{
    {"_FOR_LEAVING", "Leaver"},
    {"_FOR_EXCESSIVE_CHAT_TOXICITY", "ExcessiveChatToxicity"},
    {"_FOR_EXTREME_CHAT_TOXICITY", "ExtremeChatToxicity"},
    {"_FOR_INTENTIONAL_FEEDING", "IntentionalFeeding"},
    {"_BY_PRIME_SYSTEM", "PrimeSystem"},
}};

}  // namespace

bool IsBeyondPermanentHorizon(uint64_t endMillis, uint64_t nowMillis) noexcept {
  // Written as a difference so that an end near the top of the range cannot wrap.
  return endMillis > nowMillis && endMillis - nowMillis > kPermanentBanHorizonMillis;
}

std::string BanUntilText(uint64_t endMillis, bool permanent) {
  if (permanent) return std::string(kForeverText);
  // A time without a calendar date gives the empty text and an assertion report.
  return EpochMillisToIsoText(endMillis);
}

std::optional<std::string> ForcedShutdownBanReason(std::string_view reason,
                                                   std::string_view additionalInfo) {
  if (reason.starts_with(kUserBannedPrefix)) {
    const std::string_view suffix = reason.substr(kUserBannedPrefix.size());
    for (const SuffixReason& known : kBanSuffixes) {
      if (suffix == known.suffix) return std::string(known.reason);
    }
    if (additionalInfo.starts_with(kAltBanPrefix)) return std::string(additionalInfo);
    return std::string(kBannedReason);
  }
  if (reason == kUserSuspendedReason) return std::string(kBannedReason);
  return std::nullopt;
}

}  // namespace Vela::Client::PlayerBehavior
