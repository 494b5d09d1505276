#include "rest/url_decode.h"

namespace Vela {
namespace {

unsigned HexValueOr16(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return 16;
}

}  // namespace

std::string UrlDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      decoded += ' ';
    } else if (c == '%') {
      if (text.size() - i > 2) {
        const unsigned byte = (HexValueOr16(text[i + 1]) * 16 + HexValueOr16(text[i + 2])) & 0xFFu;
        decoded += static_cast<char>(static_cast<unsigned char>(byte));
        i += 2;
      }
      // Too close to the end: the "%" alone is dropped.
    } else {
      decoded += c;
    }
  }
  return decoded;
}

}  // namespace Vela
