// The 32-bit FNV-1a hash that every name-keyed table of the framework uses (interned
// strings, field and parameter names, YAML anchors, named template values), so that one
// name hashes the same everywhere.
//
//   uint32_t h = Vela::Fnv1a32("error");
//   std::unordered_map<std::string, int, Vela::Fnv1aHash, std::equal_to<>> byName;
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Vela {

inline constexpr uint32_t kFnv1aOffsetBasis = 0x811C9DC5u;
inline constexpr uint32_t kFnv1aPrime = 16777619u;

// Hashes `length` bytes (no terminating NUL is involved).
constexpr uint32_t Fnv1a32(const unsigned char* bytes, std::size_t length) {
  uint32_t hash = kFnv1aOffsetBasis;
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= bytes[i];
    hash *= kFnv1aPrime;
  }
  return hash;
}

constexpr uint32_t Fnv1a32(std::string_view text) {
  uint32_t hash = kFnv1aOffsetBasis;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnv1aPrime;
  }
  return hash;
}

// Hash functor for unordered containers keyed by text; transparent, so a lookup by
// std::string_view or const char* needs no temporary std::string (pair it with
// std::equal_to<>).
struct Fnv1aHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept { return Fnv1a32(text); }
  std::size_t operator()(const std::string& text) const noexcept { return Fnv1a32(text); }
  std::size_t operator()(const char* text) const noexcept { return Fnv1a32(std::string_view(text)); }
};

}  // namespace Vela
