#include "util/process_hash_key.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/process_info.h"
#include "util/allocation.h"

namespace Vela {

namespace {

SipKey DrawKey() noexcept {
  int local = 0;
  // A short-lived heap block: its address depends on the heap's randomised base.
  void* block = Allocate(1);
  const uint64_t readings[] = {
      Platform::HighResolutionCounter(),
      Platform::FileTimeNow(),
      static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(&local)),
      static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(&DrawKey)),
      static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(block)),
      Platform::CurrentThreadId(),
  };
  Free(block);
  // Every reading reaches every bit of both halves: each half hashes them all under its
  // own fixed key.
  SipKey key;
  key.k0 = SipHash<2, 4>(SipKey{0x243F6A8885A308D3u, 0x13198A2E03707344u}, readings, sizeof readings);
  key.k1 = SipHash<2, 4>(SipKey{0xA4093822299F31D0u, 0x082EFA98EC4E6C89u}, readings, sizeof readings);
  return key;
}

}  // namespace

const SipKey& ProcessHashKey() noexcept {
  static const SipKey key = DrawKey();
  return key;
}

uint64_t KeyedHash(std::string_view text) noexcept {
  return SipHash13(ProcessHashKey(), text.data(), text.size());
}

}  // namespace Vela
