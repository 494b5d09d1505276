// The type descriptor: how a field, an argument or a return value names its native type
// (a TypeCode, abi/type_code.h, and what it refers to), for the conversions and for help.
//
//   TypeDescriptor tags{TypeCode::Vector, TypeCode::String};       // std::vector<std::string>
//   TypeDescriptor ban{TypeCode::Struct, TypeCode::None, banInfo};  // a registered structure
//   ClassifyTypeCode(TypeCode::Map) == TypeCodeClass::Dictionary
#pragma once

#include <cstdint>

#include "abi/type_code.h"

namespace Vela {

struct TypeInfo;

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
