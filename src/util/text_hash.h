// TextHash: a hash of a text's bytes read eight at a time, for tables that must hash every
// text they see (the value model's interned strings). A byte-serial hash such as FNV-1a
// costs a multiply per byte; this one costs a multiply and a fold per eight bytes. Its
// values are the same on every platform of one byte order and are never stored or sent,
// only used to pick buckets.
//
//   uint32_t h = Vela::TextHash("summoner");
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Vela {

namespace text_hash_detail {

inline constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;

// Every bit of `word` reaches the low half: the multiply carries low bits up, the fold
// brings high bits down.
inline uint64_t Mix(uint64_t state, uint64_t word) noexcept {
  state = (state ^ word) * kMultiplier;
  return state ^ (state >> 32);
}

}  // namespace text_hash_detail

inline uint32_t TextHash(const char* data, std::size_t length) noexcept {
  using text_hash_detail::Mix;
  uint64_t state = static_cast<uint64_t>(length) * text_hash_detail::kMultiplier;
  const char* bytes = data;
  std::size_t rest = length;
  while (rest > 8) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    state = Mix(state, word);
    bytes += 8;
    rest -= 8;
  }
  uint64_t last = 0;
  if (length >= 8) {
    // The last eight bytes, overlapping the words already mixed: no byte-wise tail.
    std::memcpy(&last, data + length - 8, 8);
  } else if (length >= 4) {
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, data, 4);
    std::memcpy(&tail, data + length - 4, 4);
    last = (static_cast<uint64_t>(head) << 32) | tail;
  } else if (length != 0) {
    const auto* small = reinterpret_cast<const unsigned char*>(data);
    last = small[0] | (uint64_t{small[length / 2]} << 8) | (uint64_t{small[length - 1]} << 16);
  }
  state = Mix(state, last);
  state *= text_hash_detail::kMultiplier;
  return static_cast<uint32_t>(state >> 32);
}

inline uint32_t TextHash(std::string_view text) noexcept { return TextHash(text.data(), text.size()); }

}  // namespace Vela
