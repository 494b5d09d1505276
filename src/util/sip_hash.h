// SipHash: a keyed hash of a text's bytes for tables that a sender could otherwise fill
// with texts of one bucket. Without the key, which stays in the process, colliding texts
// cannot be chosen in advance. SipHash13 (one compression round per word, three to
// finish) is the variant hash tables use; the round counts are parameters so that the
// published SipHash-2-4 vectors check the same code.
//
//   uint64_t h = Vela::SipHash13(key, text.data(), text.size());
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Vela {

struct SipKey {
  uint64_t k0 = 0;
  uint64_t k1 = 0;
};

namespace sip_hash_detail {

constexpr uint64_t Rotate(uint64_t value, int bits) noexcept {
  return (value << bits) | (value >> (64 - bits));
}

// The words are read in little-endian order on every platform, as the algorithm defines.
inline uint64_t LoadLittle(const unsigned char* bytes) noexcept {
  uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = (word << 8) | bytes[i];
  return word;
}

struct SipState {
  uint64_t v0, v1, v2, v3;

  void Round() noexcept {
    v0 += v1;
    v1 = Rotate(v1, 13);
    v1 ^= v0;
    v0 = Rotate(v0, 32);
    v2 += v3;
    v3 = Rotate(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = Rotate(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = Rotate(v1, 17);
    v1 ^= v2;
    v2 = Rotate(v2, 32);
  }
};

}  // namespace sip_hash_detail

template <int CompressionRounds, int FinalRounds>
uint64_t SipHash(const SipKey& key, const void* data, std::size_t length) noexcept {
  sip_hash_detail::SipState state{key.k0 ^ 0x736f6d6570736575u, key.k1 ^ 0x646f72616e646f6du,
                                  key.k0 ^ 0x6c7967656e657261u, key.k1 ^ 0x7465646279746573u};
  const auto* bytes = static_cast<const unsigned char*>(data);
  auto absorb = [&state](uint64_t word) {
    state.v3 ^= word;
    for (int i = 0; i < CompressionRounds; ++i) state.Round();
    state.v0 ^= word;
  };
  const std::size_t whole = length & ~std::size_t{7};
  for (std::size_t offset = 0; offset < whole; offset += 8) {
    absorb(sip_hash_detail::LoadLittle(bytes + offset));
  }
  uint64_t last = static_cast<uint64_t>(length) << 56;
  for (std::size_t i = 0; i < (length & 7); ++i) {
    last |= static_cast<uint64_t>(bytes[whole + i]) << (8 * i);
  }
  absorb(last);
  state.v2 ^= 0xFF;
  for (int i = 0; i < FinalRounds; ++i) state.Round();
  return state.v0 ^ state.v1 ^ state.v2 ^ state.v3;
}

inline uint64_t SipHash13(const SipKey& key, const void* data, std::size_t length) noexcept {
  return SipHash<1, 3>(key, data, length);
}

}  // namespace Vela
