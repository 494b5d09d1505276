#include "rest/function_name.h"

#include "util/format_text.h"

namespace Vela {
namespace {

// ASCII only: names must not depend on the process locale.
char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsWordSeparator(char c) {
  return c == '!' || c == '+' || c == '-' || c == '.' || c == '/' || c == '_';
}

}  // namespace

std::string MakeFunctionName(std::string_view methodText, std::string_view path) {
  std::string source;
  if (!methodText.empty()) {
    std::string rest(methodText.substr(1));
    for (char& c : rest) c = ToLowerAscii(c);
    source = FormatText("%1%2/", methodText.substr(0, 1), rest);
  }
  source.append(path);

  std::string name;
  name.reserve(source.size() + 8);
  bool capitaliseNext = true;
  for (char c : source) {
    if (IsWordSeparator(c)) {
      capitaliseNext = true;
    } else if (c == '{') {
      name += "By";
      capitaliseNext = true;
    } else if (c == '}') {
      // dropped
    } else if (capitaliseNext) {
      name += ToUpperAscii(c);
      capitaliseNext = false;
    } else {
      name += c;
    }
  }
  return name;
}

}  // namespace Vela
