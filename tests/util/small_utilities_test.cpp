#include <gtest/gtest.h>

#include <clocale>
#include <set>
#include <string>

#include "util/byte_swap.h"
#include "util/fnv1a.h"
#include "util/lower_case.h"
#include "util/sip_hash.h"
#include "util/text_hash.h"

namespace Vela {
namespace {

TEST(Fnv1a32, MatchesReferenceValues) {
  struct Case {
    int line;
    std::string_view text;
    uint32_t expected;
  };
  const Case cases[] = {
      {__LINE__, "", 0x811C9DC5u},
      {__LINE__, "a", 0xE40C292Cu},
      {__LINE__, "foobar", 0xBF9CF968u},
      {__LINE__, std::string_view("\x00", 1), 0x050C5D1Fu},  // bytes, not C strings
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Fnv1a32(c.text), c.expected);
    EXPECT_EQ(Fnv1a32(reinterpret_cast<const unsigned char*>(c.text.data()), c.text.size()), c.expected);
    EXPECT_EQ(Fnv1aHash{}(c.text), std::size_t{c.expected});
  }
  EXPECT_EQ(Fnv1aHash{}(std::string("foobar")), Fnv1aHash{}("foobar"));
}

// The published SipHash-2-4 vectors (key 00 01 .. 0f, message 00 01 .. of each length)
// check the rounds and the tail that SipHash13 shares.
TEST(SipHash, MatchesReferenceValues) {
  const SipKey key{0x0706050403020100u, 0x0F0E0D0C0B0A0908u};
  unsigned char message[16];
  for (unsigned i = 0; i < sizeof message; ++i) message[i] = static_cast<unsigned char>(i);
  const struct {
    std::size_t length;
    uint64_t hash;
  } cases[] = {{0, 0x726FDB47DD0E0E31u}, {1, 0x74F839C593DC67FDu}, {7, 0xAB0200F58B01D137u},
               {8, 0x93F5F5799A932462u}, {15, 0xA129CA6149BE45E5u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ((SipHash<2, 4>(key, message, c.length)), c.hash);
  }
  EXPECT_NE(SipHash13(key, message, 8), SipHash13(SipKey{key.k0, key.k1 + 1}, message, 8));
}

// A table picks buckets by the low bits: a change of any one byte, at any position, in
// texts of every length up to 40 must reach them, and a byte's value must matter (not only
// whether it is set).
TEST(TextHash, EveryByteReachesTheLowBits) {
  for (std::size_t length = 1; length <= 40; ++length) {
    const std::string base(length, 'a');
    for (std::size_t position = 0; position < length; ++position) {
      SCOPED_TRACE(testing::Message() << "length " << length << ", byte " << position);
      std::set<uint32_t> lowBits;
      for (int value = 0; value < 256; ++value) {
        std::string text = base;
        text[position] = static_cast<char>(value);
        lowBits.insert(TextHash(text) & 0xFFFu);
      }
      // 256 texts in 4096 buckets: a good hash leaves a handful of collisions.
      EXPECT_GE(lowBits.size(), 230u);
    }
  }
  EXPECT_EQ(TextHash(std::string_view("a\0", 2)) == TextHash("a"), false);  // lengths count
  EXPECT_EQ(TextHash(std::string("summoner")), TextHash("summoner"));
}

TEST(LowerCaseCopy, MapsOnlyAsciiUpperCase) {
  EXPECT_EQ(LowerCaseCopy("Content-Type: APPLICATION/X-YAML"), "content-type: application/x-yaml");
  EXPECT_EQ(LowerCaseCopy(""), "");
  EXPECT_EQ(LowerCaseCopy("@[`{09az"), "@[`{09az");
  EXPECT_EQ(LowerCaseCopy("\xC4\xD6"), "\xC4\xD6");  // high bytes stay as they are
  EXPECT_EQ(LowerCaseCopy(std::string_view("A\0B", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace Vela
