// The canonical function name of a method and a path: camel case of the method text and
// the words of the path.
//
//   Vela::MakeFunctionName("GET", "/arx-login/v1/session");  // "GetArxLoginV1Session"
//   Vela::MakeFunctionName("", "arx-player-behavior");       // "ArxPlayerBehavior"
//
// Rules: a non-empty method text contributes its first character, the rest in lower case
// and a "/"; then the path follows. Walking that text, "!", "+", "-", ".", "/" and "_" are
// dropped and capitalise the next character, "{" becomes "By" and capitalises the next
// character, "}" is dropped, and every other character is kept (upper-cased when it was
// to be capitalised; the very first one is).
#pragma once

#include <string>
#include <string_view>

namespace Vela {

std::string MakeFunctionName(std::string_view methodText, std::string_view path);

}  // namespace Vela
