// HTTP method codes shared with the host, and their texts.
//
//   Vela::MethodText(Vela::HttpMethod::Get);           // "GET"
//   Vela::HttpMethodFromHost(42) == HttpMethod::None;  // unknown host codes count as none
#pragma once

#include <cstdint>
#include <string_view>

namespace Vela {

enum class HttpMethod : uint32_t {
  None = 0,
  Delete = 1,
  Get = 2,
  Head = 3,
  Options = 4,
  Patch = 5,
  Post = 6,
  Put = 7,
  // The verb travels as text beside the code.
  Custom = 8,
};

// A host code outside 1..8 is taken as None.
HttpMethod HttpMethodFromHost(uint32_t code) noexcept;

// "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"; the empty text for None,
// Custom and any other code.
std::string_view MethodText(HttpMethod method) noexcept;
inline std::string_view MethodText(uint32_t code) noexcept {
  return MethodText(static_cast<HttpMethod>(code));
}

}  // namespace Vela
