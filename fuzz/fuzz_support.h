// Shared pieces of the fuzz targets: a check that ends the run with a message (a finding),
// the split of an input into text lines and a raw rest, and the forge that builds host
// values from raw bytes.
//
//   FuzzLines in = SplitLines({data, size}, 3);   // in.lines[0..2], in.rest
//   ARX_FUZZ_CHECK(written.size() <= 4095);
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "abi/host_value.h"
#include "binding/binding_property.h"

// A broken property is a finding: report it and abort, so libFuzzer saves the input.
#define ARX_FUZZ_CHECK(condition)                                             \
  do {                                                                        \
    if (!(condition)) ::Vela::Fuzz::Fail(#condition, __FILE__, __LINE__);     \
  } while (0)

namespace Vela::Fuzz {

[[noreturn]] void Fail(const char* condition, const char* file, int line);

// What a comparison lets differ.
struct Allowance {
  // A Signed 0 equals an Unsigned 0: JSON reads "-0" as Signed and writes every integer 0
  // as "0", which reads back Unsigned.
  bool zeroSign = false;
  // Floats this many units in the last place apart are equal (for readers that do not
  // round correctly; the JSON reader does).
  uint64_t floatUlps = 0;
  // An infinite Float equals Empty: JSON writes it as null (no reader here yields one).
  bool infinityAsNull = false;
};

// Tree equality in which a NaN equals a NaN of the same bits (the value model's own
// equality, like IEEE comparison, finds NaN unequal to itself), within `allowance`.
[[nodiscard]] bool SameValue(const BindingProperty& a, const BindingProperty& b, Allowance allowance = {});

// Up to `count` lines, each without its "\n" (missing lines are empty), and the bytes after
// the last line taken.
struct FuzzLines {
  std::vector<std::string> lines;
  std::span<const uint8_t> rest;
};
FuzzLines SplitLines(std::span<const uint8_t> input, std::size_t count);

// Reads bytes front to back; past the end every read gives zeros.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint8_t Byte();
  uint32_t Word();
  uint64_t Quad();
  // Up to `count` bytes (fewer at the end).
  std::span<const uint8_t> Take(std::size_t count);
  bool empty() const { return position_ >= bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Builds host value trees as a host hands them over: every pointer valid, every length
// true, keys NUL-terminated, but types (out-of-range codes included), flags, numbers and
// texts as the bytes say. Bounded in nodes and depth; the storage lives in the forge.
class HostValueForge {
 public:
  static constexpr std::size_t kMaxNodes = 512;
  static constexpr int kMaxDepth = 24;

  explicit HostValueForge(ByteReader& reader) : reader_(reader) {}
  HostBindingValue Build() { return Node(0); }
  // A NUL-terminated text the forge keeps; up to `maxLength` bytes from the reader.
  const char* Text(std::size_t maxLength);

 private:
  HostBindingValue Node(int depth);

  ByteReader& reader_;
  std::size_t nodes_ = 0;
  std::deque<std::string> texts_;
  std::deque<std::vector<uint8_t>> blobs_;
  std::deque<std::vector<HostBindingValue>> collections_;
  std::deque<std::vector<HostStructEntry>> structures_;
};

}  // namespace Vela::Fuzz
