// The ten kinds of a BindingProperty and their names in messages.
#pragma once

#include <cstdint>
#include <string_view>

namespace Vela {

enum class BindingKind : uint8_t {
  Empty = 0,
  Bool = 1,
  Signed = 2,
  Unsigned = 3,
  Float = 4,
  String = 5,
  Blob = 6,
  Enum = 7,
  Collection = 8,
  Structure = 9,
};

// "empty", "bool", ... "structure"; the empty text for a code above 9.
std::string_view BindingKindName(uint8_t code);
inline std::string_view BindingKindName(BindingKind kind) {
  return BindingKindName(static_cast<uint8_t>(kind));
}

}  // namespace Vela
