// Base64 text of byte blobs (RFC 4648, standard alphabet, "=" padding, no line breaks).
// Blob values are written as this text wherever they become text (value coercion, JSON).
//
//   std::string text = Vela::Base64Encode("abc", 3);  // "YWJj"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Vela {

// Returns 4 * ceil(length / 3) characters; the empty text for length 0. `bytes` may be
// null only when `length` is 0.
std::string Base64Encode(const void* bytes, std::size_t length);

inline std::string Base64Encode(std::string_view bytes) {
  return Base64Encode(bytes.data(), bytes.size());
}

}  // namespace Vela
