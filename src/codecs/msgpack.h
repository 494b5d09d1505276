// MessagePack bytes to a BindingProperty tree (the plugin reads MessagePack, it never
// writes it).
//
//   std::size_t stop = 0;
//   Vela::BindingResult doc = Vela::MsgPackDecode(body, stop);
//   if (!doc.ok()) return doc.message();  // "Invalid MessagePack data at position 1."
//
// Formats → kinds: nil → Empty; false/true → Bool; positive and negative fixint and int
// 8..64 → Signed; uint 8..64 → Unsigned; float 32/64 → Float; fixstr and str 8..32 →
// String; bin 8..32 → Blob; fixarray and array 16/32 → Collection; fixmap and map 16/32 →
// Structure. Ext formats (fixext, ext 8..32) and the unused byte 0xC1 are refused; map
// keys must be strings.
//
// A key repeated in one map is merged into the earlier value: a scalar replaces it, a map
// merges its pairs into an earlier map, an array writes its elements over the earlier
// array's from index 0 (elements past its own length stay).
//
// Decoding is iterative (the open containers live on a heap stack), so any nesting depth
// is handled. Input that ends inside open containers is not a failure: the result holds
// what was decoded so far. Bytes after a complete root value are not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "binding/maybe_type.h"

namespace Vela {

// The failure messages. Positions are byte offsets, in decimal.
namespace MsgPackMessage {
// %1: the position just after the offending first byte.
inline constexpr std::string_view kInvalidData = "Invalid MessagePack data at position %1.";
inline constexpr std::string_view kKeyNotString =
    "Invalid MessagePack data at position %1. Map keys must be strings.";
// %1: the position of the value (lengths and counts of str, bin, array and map included).
inline constexpr std::string_view kTruncated8 =
    "Invalid MessagePack data. 8-bit integer value at position %1 is truncated.";
inline constexpr std::string_view kTruncated16 =
    "Invalid MessagePack data. 16-bit integer value at position %1 is truncated.";
inline constexpr std::string_view kTruncated32 =
    "Invalid MessagePack data. 32-bit integer value at position %1 is truncated.";
inline constexpr std::string_view kTruncated64 =
    "Invalid MessagePack data. 64-bit integer value at position %1 is truncated.";
// %1: the length, %2: the position of the first byte of the text or bytes.
inline constexpr std::string_view kStringTruncated =
    "Invalid MessagePack data. String of size %1 at position %2 is truncated.";
inline constexpr std::string_view kRawTruncated =
    "Invalid MessagePack data. Raw bytes of size %1 at position %2 are truncated.";
}  // namespace MsgPackMessage

// Decodes one value from the start of `input`. `stopPosition` receives the byte offset at
// which decoding stopped, on success and on failure alike; it never exceeds input.size().
// An empty input gives an ok Empty value and position 0. On failure the result holds the
// message and nothing of the partly decoded tree.
[[nodiscard]] BindingResult MsgPackDecode(std::span<const uint8_t> input,
                                          std::size_t& stopPosition);

// The same, for callers that do not need the stop position.
[[nodiscard]] BindingResult MsgPackDecode(std::span<const uint8_t> input);

}  // namespace Vela
