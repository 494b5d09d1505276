#include "binding/type_descriptor.h"

#include <iterator>

namespace Vela {

std::string_view TypeCodeName(uint32_t code) noexcept {
  // Indexed by code; code 0 and anything past the table have no name.
  static constexpr std::string_view kNames[] = {
      "",       "bool",   "int8",  "uint8",  "int16", "uint16", "int32",
      "uint32", "int64",  "uint64", "float", "double", "string", "object",
      "blob",   "vector", "enum",  "struct", "callback", "map",
  };
  return code < std::size(kNames) ? kNames[code] : std::string_view{};
}

}  // namespace Vela
