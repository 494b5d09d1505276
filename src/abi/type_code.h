// TypeCode: how an argument, a field or a return value of the description block
// (abi/api_description.h) names its type, and the code's name as help and listings show it.
//
//   TypeCodeName(entry.type) == "vector"   // entry.elementType holds the element's code
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace Vela {

// Closed set: switch on it without `default:`.
enum class TypeCode : uint32_t {
  None = 0,  // "not described": no type, or no element type
  Bool = 1,
  Int8 = 2,
  UInt8 = 3,
  Int16 = 4,
  UInt16 = 5,
  Int32 = 6,
  UInt32 = 7,
  Int64 = 8,
  UInt64 = 9,
  Float = 10,
  Double = 11,
  String = 12,
  Object = 13,  // a BindingProperty, unconverted
  Blob = 14,
  Vector = 15,
  Enum = 16,
  Struct = 17,
  Callback = 18,
  Map = 19,  // from text to the element type
};

namespace detail {
// Indexed by code; code 0 and anything past the table have no name.
inline constexpr std::string_view kTypeCodeNames[] = {
    "",       "bool",   "int8",  "uint8",  "int16", "uint16", "int32",
    "uint32", "int64",  "uint64", "float", "double", "string", "object",
    "blob",   "vector", "enum",  "struct", "callback", "map",
};
}  // namespace detail

// "bool", "int8", ... "map" for codes 1..19; the empty text for any other code.
constexpr std::string_view TypeCodeName(uint32_t code) noexcept {
  return code < std::size(detail::kTypeCodeNames) ? detail::kTypeCodeNames[code] : std::string_view{};
}
constexpr std::string_view TypeCodeName(TypeCode code) noexcept {
  return TypeCodeName(static_cast<uint32_t>(code));
}

}  // namespace Vela
