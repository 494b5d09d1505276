// Percent-decoding of path segments and query strings.
//
//   Vela::UrlDecode("a%2Fb+c");  // "a/b c"
//
// Rules: "+" becomes a space. "%" followed by at least two more characters becomes one
// byte: each of the two counts as its hexadecimal value (0-9, a-f, A-F) and any other
// character as 16, and the byte is the low eight bits of first * 16 + second ("%zz" gives
// 0x10 * 16 + 0x10 = 0x110, so byte 0x10). A "%" with fewer than two characters after it
// is dropped. Every other character is copied. Nothing fails and nothing is read past the
// end of the text.
#pragma once

#include <string>
#include <string_view>

namespace Vela {

std::string UrlDecode(std::string_view text);

}  // namespace Vela
