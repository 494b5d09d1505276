#include "rest/url_decode.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace Vela {
namespace {

TEST(UrlDecodeTest, DecodesAndNeverOverreads) {
  struct Row {
    int line;
    std::string_view in;
    std::string out;
  };
  const Row rows[] = {
      {__LINE__, "a%2Fb+c", "a/b c"},
      {__LINE__, "%e9", "\xE9"},
      {__LINE__, "100%", "100"},    // "%" at the end is dropped
      {__LINE__, "%4", "4"},        // one character after "%": dropped, the rest copied
      {__LINE__, "%zz", "\x10"},    // non-hex counts 16: (16*16+16) & 0xFF
      {__LINE__, "%%41", "\x04" "1"},  // "%%4": 16 * 16 + 4 = 260, low byte 4
      {__LINE__, "", ""},
      {__LINE__, "++", "  "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    // A copy without a terminating NUL lets ASan catch any read past the end.
    std::vector<char> exact(row.in.begin(), row.in.end());
    EXPECT_EQ(UrlDecode(std::string_view(exact.data(), exact.size())), row.out);
  }
}

}  // namespace
}  // namespace Vela
