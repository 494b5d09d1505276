#include "util/base64.h"

namespace Vela {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Base64Encode(const void* bytes, std::size_t length) {
  if (bytes == nullptr || length == 0) {
    return {};
  }
  const auto* in = static_cast<const unsigned char*>(bytes);
  std::string text;
  text.resize((length + 2) / 3 * 4);
  char* out = text.data();
  std::size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t group = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
    *out++ = kAlphabet[(group >> 18) & 63];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = kAlphabet[(group >> 6) & 63];
    *out++ = kAlphabet[group & 63];
  }
  const std::size_t rest = length - i;
  if (rest > 0) {
    const uint32_t group = (uint32_t{in[i]} << 16) | (rest == 2 ? uint32_t{in[i + 1]} << 8 : 0);
    *out++ = kAlphabet[(group >> 18) & 63];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    *out++ = '=';
  }
  return text;
}

}  // namespace Vela
