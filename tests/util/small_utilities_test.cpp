#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "util/byte_swap.h"
#include "util/fnv1a.h"
#include "util/lower_case.h"

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

TEST(LowerCaseCopy, MapsOnlyAsciiUpperCase) {
  EXPECT_EQ(LowerCaseCopy("Content-Type: APPLICATION/X-YAML"), "content-type: application/x-yaml");
  EXPECT_EQ(LowerCaseCopy(""), "");
  EXPECT_EQ(LowerCaseCopy("@[`{09az"), "@[`{09az");
  EXPECT_EQ(LowerCaseCopy("\xC4\xD6"), "\xC4\xD6");  // high bytes stay as they are
  EXPECT_EQ(LowerCaseCopy(std::string_view("A\0B", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace Vela
