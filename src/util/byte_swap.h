// Byte order reversal for the big-endian numbers of MessagePack.
//
//   uint32_t host = Vela::ByteSwap32(wire);  // on a little-endian machine
#pragma once

#include <cstdint>

namespace Vela {

constexpr uint16_t ByteSwap16(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

constexpr uint32_t ByteSwap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

// Swaps each 32-bit half and exchanges the halves.
constexpr uint64_t ByteSwap64(uint64_t value) {
  return (static_cast<uint64_t>(ByteSwap32(static_cast<uint32_t>(value))) << 32) |
         ByteSwap32(static_cast<uint32_t>(value >> 32));
}

}  // namespace Vela
