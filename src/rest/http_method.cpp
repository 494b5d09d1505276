#include "rest/http_method.h"

namespace Vela {

HttpMethod HttpMethodFromHost(uint32_t code) noexcept {
  return code >= 1 && code <= 8 ? static_cast<HttpMethod>(code) : HttpMethod::None;
}

std::string_view MethodText(HttpMethod method) noexcept {
  // The code may come straight from the host, so it is an open set.
  switch (method) {
    case HttpMethod::Delete:
      return "DELETE";
    case HttpMethod::Get:
      return "GET";
    case HttpMethod::Head:
      return "HEAD";
    case HttpMethod::Options:
      return "OPTIONS";
    case HttpMethod::Patch:
      return "PATCH";
    case HttpMethod::Post:
      return "POST";
    case HttpMethod::Put:
      return "PUT";
    default:
      return {};
  }
}

}  // namespace Vela
