// Decoding MessagePack into BindingProperty: every format, every failure with its position,
// repeated keys, partial input, stop positions and deep nesting.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "binding/binding_property.h"
#include "binding/conversion_matchers.h"
#include "binding/property_builders.h"
#include "codecs/msgpack.h"
#include "util/full_regex_matcher.h"

namespace Vela {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Repeat(const Bytes& part, std::size_t times) {
  Bytes all;
  all.reserve(part.size() * times);
  for (std::size_t i = 0; i < times; ++i) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

struct ValueCase {
  int line;
  Bytes input;
  BindingProperty expected;
  std::size_t stop;
};

void ExpectDecodes(const ValueCase& c) {
  SCOPED_TRACE(c.line);
  std::size_t stop = 12345;
  BindingResult result = MsgPackDecode(c.input, stop);
  EXPECT_THAT(result, HoldsValue(c.expected));
  EXPECT_EQ(result.value().kind(), c.expected.kind());
  EXPECT_EQ(stop, c.stop);
}

TEST(MsgPackDecodeTest, DecodesEveryFormat) {
  const std::string text300(300, 'x');
  const std::string text70000(70000, 'y');
  const ValueCase cases[] = {
      // Fixints are Signed, even the positive ones; uint formats are Unsigned.
      {__LINE__, {0x7F}, int64_t{127}, 1},
      {__LINE__, {0xFF}, int64_t{-1}, 1},
      {__LINE__, {0xE0}, int64_t{-32}, 1},
      {__LINE__, {0xC0}, BindingProperty(), 1},
      {__LINE__, {0xC2}, false, 1},
      {__LINE__, {0xC3}, true, 1},
      {__LINE__, {0xCC, 0xFF}, uint64_t{255}, 2},
      {__LINE__, {0xCD, 0x01, 0x02}, uint64_t{0x0102}, 3},
      {__LINE__, {0xCE, 0x01, 0x02, 0x03, 0x04}, uint64_t{0x01020304}, 5},
      {__LINE__, {0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, uint64_t{0xFFFFFFFFFFFFFFFE}, 9},
      // Signed formats are sign-extended.
      {__LINE__, {0xD0, 0x80}, int64_t{-128}, 2},
      {__LINE__, {0xD1, 0xFF, 0xFE}, int64_t{-2}, 3},
      {__LINE__, {0xD2, 0x80, 0x00, 0x00, 0x00}, int64_t{INT32_MIN}, 5},
      {__LINE__, {0xD3, 0x80, 0, 0, 0, 0, 0, 0, 0}, std::numeric_limits<int64_t>::min(), 9},
      {__LINE__, {0xCA, 0x3D, 0xCC, 0xCC, 0xCD}, static_cast<double>(0.1f), 5},  // widened exactly
      {__LINE__, {0xCB, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18}, 3.141592653589793, 9},
      {__LINE__, {0xA0}, "", 1},
      {__LINE__, {0xA2, 'a', 0x00}, std::string_view("a\0", 2), 3},  // NUL bytes are kept
      {__LINE__, Concat({{0xDA, 0x01, 0x2C}, Text(text300)}), text300, 303},
      {__LINE__, Concat({{0xDB, 0x00, 0x01, 0x11, 0x70}, Text(text70000)}), text70000, 70005},
      {__LINE__, {0xC4, 0x02, 0x00, 0xFF}, Blob({0x00, 0xFF}), 4},
      {__LINE__, {0xC6, 0x00, 0x00, 0x00, 0x01, 0x2A}, Blob({0x2A}), 6},
      {__LINE__, {0x90}, Collection({}), 1},
      {__LINE__, {0x93, 0x01, 0xC3, 0xA1, 'x'}, Collection({int64_t{1}, true, "x"}), 5},
      {__LINE__, {0xDC, 0x00, 0x02, 0xC0, 0x05}, Collection({BindingProperty(), int64_t{5}}), 5},
      {__LINE__, {0xDD, 0x00, 0x00, 0x00, 0x01, 0x90}, Collection({Collection({})}), 6},
      {__LINE__, {0x80}, Structure({}), 1},
      {__LINE__, {0x81, 0xA1, 'a', 0xC0}, Structure({{"a", BindingProperty()}}), 4},
      {__LINE__, {0x82, 0xA1, 'b', 0x01, 0xA1, 'a', 0x02}, Structure({{"a", int64_t{2}}, {"b", int64_t{1}}}), 7},
      {__LINE__, {0x81, 0xA0, 0x01}, Structure({{"", int64_t{1}}}), 3},
      // Keys may use every str format.
      {__LINE__, {0xDE, 0x00, 0x01, 0xD9, 0x01, 'k', 0x02}, Structure({{"k", int64_t{2}}}), 7},
      {__LINE__, {0xDF, 0x00, 0x00, 0x00, 0x01, 0xDA, 0x00, 0x01, 'k', 0x02}, Structure({{"k", int64_t{2}}}), 10},
      {__LINE__, {0x81, 0xDB, 0x00, 0x00, 0x00, 0x01, 'k', 0x92, 0x01, 0x80},
       Structure({{"k", Collection({int64_t{1}, Structure({})})}}), 10},
  };
  for (const ValueCase& c : cases) ExpectDecodes(c);
}

struct FailureCase {
  int line;
  Bytes input;
  std::string_view message;
  std::size_t stop;
};

TEST(MsgPackDecodeTest, ReportsEveryFailureWithItsPosition) {
  const FailureCase cases[] = {
      {__LINE__, {0xC1}, "Invalid MessagePack data at position 1.", 1},
      {__LINE__, {0xC7, 0x01, 0x01, 0x00}, "Invalid MessagePack data at position 1.", 1},
      {__LINE__, {0xD4, 0x01, 0x00}, "Invalid MessagePack data at position 1.", 1},
      {__LINE__, {0xD8}, "Invalid MessagePack data at position 1.", 1},
      {__LINE__, {0x92, 0x01, 0xC1}, "Invalid MessagePack data at position 3.", 3},
      // Keys: anything but a string, the position just after the key's first byte.
      {__LINE__, {0x81, 0x01, 0x02}, "Invalid MessagePack data at position 2. Map keys must be strings.", 2},
      {__LINE__, {0x81, 0xC1}, "Invalid MessagePack data at position 2. Map keys must be strings.", 2},
      {__LINE__, {0x82, 0xA1, 'a', 0x01, 0xCC}, "Invalid MessagePack data at position 5. Map keys must be strings.", 5},
      // Numbers and the lengths and counts they carry: the position of the value.
      {__LINE__, {0xCC}, "Invalid MessagePack data. 8-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0xD9}, "Invalid MessagePack data. 8-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0x81, 0xD9}, "Invalid MessagePack data. 8-bit integer value at position 2 is truncated.", 2},
      {__LINE__, {0xCD, 0x01}, "Invalid MessagePack data. 16-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0xDA, 0x00}, "Invalid MessagePack data. 16-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0xCE, 0x01, 0x02, 0x03}, "Invalid MessagePack data. 32-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0xCA, 0x00, 0x00}, "Invalid MessagePack data. 32-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0x81, 0xDB, 0x00}, "Invalid MessagePack data. 32-bit integer value at position 2 is truncated.", 2},
      {__LINE__, {0xCF, 1, 2, 3, 4, 5, 6, 7}, "Invalid MessagePack data. 64-bit integer value at position 1 is truncated.", 1},
      {__LINE__, {0xCB, 0x40}, "Invalid MessagePack data. 64-bit integer value at position 1 is truncated.", 1},
      // Texts and bytes: the length and the position of their first byte.
      {__LINE__, {0xA3, 0x61, 0x62}, "Invalid MessagePack data. String of size 3 at position 1 is truncated.", 1},
      {__LINE__, {0xD9, 0x05, 'a'}, "Invalid MessagePack data. String of size 5 at position 2 is truncated.", 2},
      {__LINE__, {0xDA, 0x01, 0x00}, "Invalid MessagePack data. String of size 256 at position 3 is truncated.", 3},
      {__LINE__, {0xDB, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, "Invalid MessagePack data. String of size 4294967295 at position 5 is truncated.", 5},
      {__LINE__, {0xC4, 0x02, 0x00}, "Invalid MessagePack data. Raw bytes of size 2 at position 2 are truncated.", 2},
      {__LINE__, {0xC6, 0x80, 0x00, 0x00, 0x00}, "Invalid MessagePack data. Raw bytes of size 2147483648 at position 5 are truncated.", 5},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.line);
    std::size_t stop = 12345;
    BindingResult result = MsgPackDecode(c.input, stop);
    EXPECT_THAT(result, FailsWith(std::string(c.message)));
    EXPECT_EQ(stop, c.stop);
  }
}

TEST(MsgPackDecodeTest, FailureDropsThePartlyDecodedTree) {
  const Bytes input = {0x82, 0xA1, 'a', 0x92, 0x01, 0x02, 0xA1, 'b', 0xC1};
  BindingResult result = MsgPackDecode(input);
  ASSERT_FALSE(result.ok());
  // Only the failure's own field is left.
  EXPECT_EQ(result.failure().size(), 1u);
  EXPECT_TRUE(result.failure().FieldOrEmpty("a").IsEmpty());
}

// Decoding stops after the root value, or where the input ends inside containers, keeping
// what was decoded.
TEST(MsgPackDecodeTest, StopsAfterTheRootValueOrAtTheEndOfTheInput) {
  const ValueCase cases[] = {
      {__LINE__, {}, BindingProperty(), 0},
      {__LINE__, {0x01, 0x02}, int64_t{1}, 1},
      // What follows the root is not read, not even bytes that would fail.
      {__LINE__, {0x91, 0x05, 0xC1, 0xC1}, Collection({int64_t{5}}), 2},
      {__LINE__, {0x92, 0x01}, Collection({int64_t{1}}), 2},
      {__LINE__, {0x82, 0xA1, 'a', 0x01}, Structure({{"a", int64_t{1}}}), 4},
      // A key without its value adds no field.
      {__LINE__, {0x82, 0xA1, 'a', 0x01, 0xA1, 'b'}, Structure({{"a", int64_t{1}}}), 6},
      {__LINE__, {0x92, 0x91, 0x91}, Collection({Collection({Collection({})})}), 3},
      // A count far beyond the input is the sender's claim, not a reason to fail.
      {__LINE__, {0xDD, 0xFF, 0xFF, 0xFF, 0xFF, 0x07}, Collection({int64_t{7}}), 6},
      {__LINE__, {0xDF, 0xFF, 0xFF, 0xFF, 0xFF}, Structure({}), 5},
  };
  for (const ValueCase& c : cases) ExpectDecodes(c);
}

constexpr std::size_t kDeep = 100000;

// Every header claims 2^32 - 1 elements; reserving from the counts would ask for terabytes.
// The decoder must only grow with what it actually reads, and must not recurse.
TEST(MsgPackDecodeTest, HugeCountsDoNotAllocateAheadOfTheInput) {
  const Bytes input = Repeat({0xDD, 0xFF, 0xFF, 0xFF, 0xFF}, kDeep);
  std::size_t stop = 0;
  BindingResult result = MsgPackDecode(input, stop);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(stop, input.size());
  const BindingProperty* node = &result.value();
  std::size_t depth = 0;
  while (node->kind() == BindingKind::Collection && node->size() == 1) {
    node = &node->ElementOrEmpty(0);
    ++depth;
  }
  EXPECT_EQ(depth, kDeep - 1);
  EXPECT_EQ(node->kind(), BindingKind::Collection);
  EXPECT_EQ(node->size(), 0u);
}

struct MergeCase {
  int line;
  Bytes input;
  BindingProperty expected;
};

TEST(MsgPackDecodeTest, RepeatedKeysMergeIntoTheEarlierValue) {
  const MergeCase cases[] = {
      // Two maps: their fields merge, the later value of a shared field wins.
      {__LINE__,
       {0x82, 0xA1, 'm', 0x82, 0xA1, 'x', 0x01, 0xA1, 'y', 0x02,  //
        0xA1, 'm', 0x82, 0xA1, 'y', 0x03, 0xA1, 'z', 0x04},
       Structure({{"m", Structure({{"x", int64_t{1}}, {"y", int64_t{3}}, {"z", int64_t{4}}})}})},
      // Two arrays: the second's elements over the first's from index 0.
      {__LINE__,
       {0x82, 0xA1, 'a', 0x93, 0x01, 0x02, 0x03, 0xA1, 'a', 0x91, 0x09},
       Structure({{"a", Collection({int64_t{9}, int64_t{2}, int64_t{3}})}})},
      // ...recursively: a map element of the first array merges with the second's.
      {__LINE__,
       {0x82, 0xA1, 'a', 0x91, 0x81, 0xA1, 'x', 0x01, 0xA1, 'a', 0x91, 0x81, 0xA1, 'y', 0x02},
       Structure({{"a", Collection({Structure({{"x", int64_t{1}}, {"y", int64_t{2}}})})}})},
      // A longer second array extends the first.
      {__LINE__,
       {0x82, 0xA1, 'a', 0x91, 0x01, 0xA1, 'a', 0x92, 0x05, 0x06},
       Structure({{"a", Collection({int64_t{5}, int64_t{6}})}})},
      // Different kinds: the later value replaces the earlier one.
      {__LINE__, {0x82, 0xA1, 'k', 0x92, 0x01, 0x02, 0xA1, 'k', 0x81, 0xA1, 'x', 0x01},
       Structure({{"k", Structure({{"x", int64_t{1}}})}})},
      {__LINE__, {0x82, 0xA1, 'k', 0x05, 0xA1, 'k', 0x90}, Structure({{"k", Collection({})}})},
      // Each value lands on what the values before it left: 7 replaces [1], [6] the 7.
      {__LINE__,
       {0x82, 0xA1, 'a', 0x81, 0xA1, 'k', 0x91, 0x01,  //
        0xA1, 'a', 0x82, 0xA1, 'k', 0x07, 0xA1, 'k', 0x91, 0x06},
       Structure({{"a", Structure({{"k", Collection({int64_t{6}})}})}})},
      // Three arrays, each over the ones before it.
      {__LINE__,
       {0x83, 0xA1, 'a', 0x93, 0x01, 0x02, 0x03, 0xA1, 'a', 0x91, 0x09, 0xA1, 'a', 0x92, 0x07, 0x08},
       Structure({{"a", Collection({int64_t{7}, int64_t{8}, int64_t{3}})}})},
      // A shorter later array of maps: its maps merge into the first elements only.
      {__LINE__,
       {0x82, 0xA1, 'a', 0x93, 0x81, 0xA1, 'x', 0x01, 0x81, 0xA1, 'y', 0x02, 0x03,  //
        0xA1, 'a', 0x91, 0x81, 0xA1, 'z', 0x03},
       Structure({{"a", Collection({Structure({{"x", int64_t{1}}, {"z", int64_t{3}}}),
                                    Structure({{"y", int64_t{2}}}), int64_t{3}})}})},
      // A longer middle array whose first element is no map restarts element 0.
      {__LINE__,
       {0x83, 0xA1, 'a', 0x91, 0x81, 0xA1, 'x', 0x01,  //
        0xA1, 'a', 0x92, 0x91, 0x01, 0x81, 0xA1, 'y', 0x02,  //
        0xA1, 'a', 0x91, 0x81, 0xA1, 'w', 0x00},
       Structure({{"a", Collection({Structure({{"w", int64_t{0}}}), Structure({{"y", int64_t{2}}})})}})},
      // Repeats at the root of a map the input ends inside: what was read still combines.
      {__LINE__,
       {0x83, 0xA1, 'a', 0x81, 0xA1, 'x', 0x01, 0xA1, 'a', 0x81, 0xA1, 'y', 0x02, 0xA1, 'b'},
       Structure({{"a", Structure({{"x", int64_t{1}}, {"y", int64_t{2}}})}})},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.line);
    std::size_t stop = 0;
    BindingResult result = MsgPackDecode(c.input, stop);
    EXPECT_THAT(result, HoldsValue(c.expected));
    EXPECT_EQ(stop, c.input.size());
  }
}

TEST(MsgPackDecodeTest, DeepMapsDecodeWithoutRecursion) {
  const Bytes input = Concat({Repeat({0x81, 0xA1, 'k'}, kDeep), {0xC3}});
  BindingResult result = MsgPackDecode(input);
  ASSERT_TRUE(result.ok());
  const BindingProperty* node = &result.value();
  for (std::size_t depth = 0; depth < kDeep; ++depth) {
    ASSERT_EQ(node->kind(), BindingKind::Structure) << "at depth " << depth;
    node = &node->FieldOrEmpty("k");
  }
  EXPECT_EQ(*node, BindingProperty(true));
}

TEST(MsgPackDecodeTest, FailureDeepInsideDropsTheTree) {
  const Bytes input = Concat({Repeat({0x91}, kDeep), {0xC1}});
  std::size_t stop = 0;
  BindingResult result = MsgPackDecode(input, stop);
  EXPECT_THAT(result, FailsWith("Invalid MessagePack data at position 100001."));
  EXPECT_EQ(stop, input.size());
}

// Long arrays move their elements off the builder's stack in blocks of a thousand or so:
// every element must come back once, in order, whether the array completes, the input ends
// inside it, or decoding fails in it.
TEST(MsgPackDecodeTest, LongArraysKeepEveryElementInOrder) {
  // [[0], [1], ..., [n-1]] with n claimed; `given` elements present.
  auto nested = [](std::size_t claimed, std::size_t given) {
    Bytes input = {0xDD, static_cast<uint8_t>(claimed >> 24), static_cast<uint8_t>(claimed >> 16),
                   static_cast<uint8_t>(claimed >> 8), static_cast<uint8_t>(claimed)};
    BindingProperty expected;
    expected.MakeCollection();
    for (std::size_t i = 0; i < given; ++i) {
      const auto value = static_cast<uint8_t>(i % 128);
      input.insert(input.end(), {0x91, value});
      expected.Append().Append() = int64_t{value};
    }
    return std::pair{input, expected};
  };
  for (const std::size_t given : {1023u, 1024u, 1025u, 2048u, 5000u}) {
    SCOPED_TRACE(given);
    for (const std::size_t claimed : {given, given + 7}) {
      const auto [input, expected] = nested(claimed, given);
      std::size_t stop = 0;
      EXPECT_THAT(MsgPackDecode(input, stop), HoldsValue(expected));
      EXPECT_EQ(stop, input.size());
    }
    // An array of such arrays, the first one long.
    const auto [inner, innerValue] = nested(given, given);
    const Bytes outer = Concat({{0x92}, inner, {0x90}});
    EXPECT_THAT(MsgPackDecode(outer), HoldsValue(Collection({innerValue, Collection({})})));
    // A failure after them drops them all.
    const Bytes failing = Concat({nested(given + 1, given).first, {0xC1}});
    EXPECT_THAT(MsgPackDecode(failing), FailsWith("Invalid MessagePack data at position " +
                                                  std::to_string(failing.size()) + "."));
    // Elements of many bytes each under a claim the input ends far short of.
    Bytes texts = {0xDD, 0x00, 0x01, 0x00, 0x00};
    BindingProperty textValues;
    textValues.MakeCollection();
    for (std::size_t i = 0; i < given; ++i) {
      texts.insert(texts.end(), {0xA8, 't', 'e', 'x', 't', 'w', 'i', 'd', static_cast<uint8_t>('a' + i % 26)});
      textValues.Append() = std::string("textwid") + static_cast<char>('a' + i % 26);
    }
    EXPECT_THAT(MsgPackDecode(texts), HoldsValue(textValues));
  }
}

// A document that uses every supported format, nested.
Bytes SampleDocument() {
  return Concat({
      {0x8C},  // 12 pairs
      {0xA3}, Text("nil"), {0xC0},
      {0xA4}, Text("bool"), {0x92, 0xC2, 0xC3},
      {0xA4}, Text("ints"), {0x94, 0x05, 0xF0, 0xD0, 0x80, 0xD1, 0x80, 0x00},
      {0xA5}, Text("ints2"), {0x92, 0xD2, 0xFF, 0xFF, 0xFF, 0xFE, 0xD3, 0, 0, 0, 0, 0, 0, 0, 9},
      {0xA5}, Text("uints"), {0x94, 0xCC, 0x01, 0xCD, 0x01, 0x00, 0xCE, 0, 1, 0, 0, 0xCF, 0, 0, 0, 1, 0, 0, 0, 0},
      {0xA6}, Text("floats"), {0x92, 0xCA, 0x3F, 0xC0, 0, 0, 0xCB, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18},
      {0xD9, 0x04}, Text("strs"), {0x93, 0xA2}, Text("ab"), {0xD9, 0x01}, Text("c"), {0xDA, 0x00, 0x02}, Text("de"),
      {0xDA, 0x00, 0x04}, Text("str3"), {0xDB, 0x00, 0x00, 0x00, 0x03}, Text("xyz"),
      {0xDB, 0x00, 0x00, 0x00, 0x04}, Text("bins"), {0x93, 0xC4, 0x01, 0xAA, 0xC5, 0x00, 0x01, 0xBB, 0xC6, 0, 0, 0, 1, 0xCC},
      {0xA3}, Text("arr"), {0xDC, 0x00, 0x02, 0xDD, 0x00, 0x00, 0x00, 0x01, 0x90, 0x80},
      {0xA4}, Text("maps"), {0xDE, 0x00, 0x01, 0xA1, 'a', 0xDF, 0x00, 0x00, 0x00, 0x01, 0xA1, 'b', 0x81, 0xA1, 'c', 0x01},
      {0xA4}, Text("tail"), {0xA4}, Text("done"),
  });
}

TEST(MsgPackDecodeTest, EveryPrefixOfTheSampleStopsInsideItsInput) {
  const Bytes full = SampleDocument();
  for (std::size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE(length);
    const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    std::size_t stop = 12345;
    BindingResult result = MsgPackDecode(prefix, stop);
    EXPECT_LE(stop, length);
    if (result.ok()) {
      // A cut between items: everything was read.
      EXPECT_EQ(stop, length);
    } else {
      // A cut inside an item: only the truncation messages.
      EXPECT_THAT(std::string(result.message()),
                  Testing::MatchesFullRegex("Invalid MessagePack data\\. .* truncated\\."));
    }
  }
}

}  // namespace
}  // namespace Vela
