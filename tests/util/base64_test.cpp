#include "util/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace Vela {
namespace {

TEST(Base64Encode, PadsToMultiplesOfFour) {
  struct Case {
    int line;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {__LINE__, "", ""},
      {__LINE__, "a", "YQ=="},
      {__LINE__, "ab", "YWI="},
      {__LINE__, "abc", "YWJj"},
      {__LINE__, "abcd", "YWJjZA=="},
      // Every alphabet position at the edges, and bytes with the high bit set.
      {__LINE__, std::string("\x00\x00\x00", 3), "AAAA"},
      {__LINE__, "\xFF\xFF\xFF", "////"},
      {__LINE__, "\xFB\xEF\xBE", "++++"},
      {__LINE__, std::string("\x00\x10\x83\x10\x51\x87", 6), "ABCDEFGH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Base64Encode(c.input), c.expected);
    EXPECT_EQ(Base64Encode(c.input.data(), c.input.size()), c.expected);
  }
}

TEST(Base64Encode, LengthIsFourPerStartedGroupWithoutLineBreaks) {
  for (std::size_t length = 0; length < 200; ++length) {
    SCOPED_TRACE(length);
    const std::string text = Base64Encode(std::string(length, '\x5A'));
    EXPECT_EQ(text.size(), (length + 2) / 3 * 4);
    EXPECT_EQ(text.find('\n'), std::string::npos);
  }
  EXPECT_EQ(Base64Encode(nullptr, 0), "");
}

}  // namespace
}  // namespace Vela
