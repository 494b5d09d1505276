// ProcessHashKey: the SipHash key of this process, for tables keyed by texts that a sender
// controls. It is drawn on first use from what differs between processes and runs (the
// clocks, addresses placed by the loader and the heap, the thread), never stored or sent,
// so a sender cannot learn it from outside.
//
//   uint64_t h = Vela::SipHash13(Vela::ProcessHashKey(), text.data(), text.size());
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/sip_hash.h"

namespace Vela {

const SipKey& ProcessHashKey() noexcept;

// SipHash13 of `text` under ProcessHashKey(); out of line, so that a fast path that only
// falls back to it keeps its own code small.
uint64_t KeyedHash(std::string_view text) noexcept;

// Hash functor for unordered containers whose keys a sender chooses (pair it with
// std::equal_to<>); transparent like Fnv1aHash, but keyed, so a sender cannot fill one bucket.
struct KeyedTextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return static_cast<std::size_t>(KeyedHash(text));
  }
  std::size_t operator()(const std::string& text) const noexcept {
    return (*this)(std::string_view(text));
  }
};

}  // namespace Vela
