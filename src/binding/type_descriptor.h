// Type codes and the type descriptor: how a field, an argument or a return value names
// its native type, for the conversions and for help.
//
//   TypeDescriptor tags{TypeCode::Vector, TypeCode::String};       // std::vector<std::string>
//   TypeDescriptor ban{TypeCode::Struct, TypeCode::None, banInfo};  // a registered structure
//   ClassifyTypeCode(TypeCode::Map) == TypeCodeClass::Dictionary
#pragma once

#include <cstdint>
#include <string_view>

namespace Vela {

struct TypeInfo;

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

// "bool", "int8", ... "map" for codes 1..19; the empty text for any other code.
std::string_view TypeCodeName(uint32_t code) noexcept;
inline std::string_view TypeCodeName(TypeCode code) noexcept {
  return TypeCodeName(static_cast<uint32_t>(code));
}

// What describes the values of a code: the sorting of the codes that help, descriptions and
// conversions share. Switch on it without `default:`.
enum class TypeCodeClass : uint8_t {
  Undescribed,  // None, and a code outside the table (one from outside the plugin)
  Plain,        // the code alone: bool, the numbers, string, object, blob, callback
  Sequence,     // Vector: the element code (and `info` for registered elements)
  Dictionary,   // Map: text keys, values as for Sequence
  Registered,   // Enum, Struct: the registered TypeInfo in `info`
};

// Any 32-bit value is accepted: codes outside the table are Undescribed.
[[nodiscard]] TypeCodeClass ClassifyTypeCode(TypeCode code) noexcept;

// `elementCode` is set for Vector and Map only. `info` is the registered TypeInfo of an
// Enum or Struct, or of the element of a Vector or Map of them; null otherwise, and null
// when that type is not registered. A vector or map of vectors or maps cannot be described.
struct TypeDescriptor {
  TypeCode code = TypeCode::None;
  TypeCode elementCode = TypeCode::None;
  const TypeInfo* info = nullptr;

  friend bool operator==(const TypeDescriptor&, const TypeDescriptor&) = default;
};

// Fields, parameters and return values carry two descriptors; descriptions and help show
// the second one when its code is not None, else the first.
constexpr const TypeDescriptor& ShownDescriptor(const TypeDescriptor& first,
                                                const TypeDescriptor& second) noexcept {
  return second.code != TypeCode::None ? second : first;
}

}  // namespace Vela
