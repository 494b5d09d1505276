#include "logging/elapsed_time.h"

#include <atomic>

#include "platform/clock.h"

namespace Vela {

uint64_t ElapsedMilliseconds() {
  // 0 means "not asked yet"; a counter that really reads 0 merely restarts the clock once.
  static std::atomic<uint64_t> start{0};
  const uint64_t now = Platform::HighResolutionCounter();
  uint64_t expected = 0;
  if (start.compare_exchange_strong(expected, now)) return 0;
  const uint64_t frequency = Platform::HighResolutionFrequency();
  const uint64_t ticks = now >= expected ? now - expected : 0;
  // Split so that ticks * 1000 cannot overflow on fast counters.
  return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

}  // namespace Vela
