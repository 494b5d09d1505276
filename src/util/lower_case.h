// Lower-case copies of texts, by the C locale's mapping (only A-Z change), whatever
// locale the process has set.
//
//   std::string key = Vela::LowerCaseCopy("Content-Type");  // "content-type"
#pragma once

#include <string>
#include <string_view>

namespace Vela {

std::string LowerCaseCopy(std::string_view text);

}  // namespace Vela
