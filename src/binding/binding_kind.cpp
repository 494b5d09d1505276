#include "binding/binding_kind.h"

namespace Vela {

std::string_view BindingKindName(uint8_t code) {
  static constexpr std::string_view kNames[] = {"empty",  "bool", "signed", "unsigned",
                                                "float",  "string", "blob", "enum",
                                                "collection", "structure"};
  return code < std::size(kNames) ? kNames[code] : std::string_view{};
}

}  // namespace Vela
