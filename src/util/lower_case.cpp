#include "util/lower_case.h"

namespace Vela {

std::string LowerCaseCopy(std::string_view text) {
  std::string copy(text);
  for (char& c : copy) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return copy;
}

}  // namespace Vela
