// The conversions between BindingProperty and native values, with their exact messages.
//
// Every conversion from a BindingProperty takes a status: when the status has already
// failed the conversion does nothing and yields the zero value, so the first failure of a
// walk is the one reported; a failure replaces the status's content by the Failure with
// its message. `path` names the value in messages (a field's name, an argument's name).
//
//   BindingResult status = BindingResult::Ok();
//   int64_t games = SignedFromBinding(status, input, "gamesRemaining", kInt64Bounds);
//   if (!status.ok()) return status;
//
// Most code converts through ToBinding / FromBinding (native_type.h), which pick these
// functions by the native type.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "binding/maybe_type.h"

namespace Vela {

class BindingRegistry;
class EnumNameLookup;
struct TypeInfo;

// The messages. %N are positional placeholders filled by FormatText.
namespace ConversionMessage {
inline constexpr std::string_view kValueRequired = "A value for '%1' is required.";
inline constexpr std::string_view kBoolInvalidType =
    "Couldn't assign value to '%1' of type bool because the input is of an invalid type %2.";
inline constexpr std::string_view kBoolIncorrectFormat =
    "Value %1 for '%2' of type bool is in an incorrect format. Options are \"true\", "
    "\"false\", \"1\", \"0\".";
inline constexpr std::string_view kInvalidType =
    "Couldn't assign value to '%1' of type %2 because the input is of an invalid type %3.";
inline constexpr std::string_view kIncorrectFormat =
    "Value %1 for '%2' of type %3 is in an incorrect format";
inline constexpr std::string_view kOutOfRange = "Value %1 for '%2' of type %3 is out of range";
inline constexpr std::string_view kNotEnumValueOf =
    "%1 is not a valid %2 enumeration value for '%3'.";
inline constexpr std::string_view kEnumInvalidType =
    "Couldn't assign value to '%1' of enum type because the input is of an invalid type %2.";
inline constexpr std::string_view kNotEnumValue = "%1 is not a valid enumeration value for '%2'.";
inline constexpr std::string_view kNotString =
    "Couldn't assign value to '%1' because the input is not a string.";
inline constexpr std::string_view kUnregisteredStructure =
    "Couldn't assign value to '%1' because the input is an unregistered structure or not a "
    "structure at all.";
inline constexpr std::string_view kNotStructure =
    "Couldn't assign value to '%1' of type %2 because the input not a structure.";
inline constexpr std::string_view kMissingRequiredField =
    "Couldn't assign value to '%1' of type %2 because the input structure doesn't have "
    "required field '%3'.";
inline constexpr std::string_view kUnregisteredNativeStructure =
    "Couldn't convert native value because it's an unregistered structure.";
inline constexpr std::string_view kVectorNotCollection =
    "Couldn't assign value to '%1' of type vector because the input not a collection.";
inline constexpr std::string_view kMapNotStructure =
    "Couldn't assign value to '%1' of type map because the input not a structure.";
// A native vector longer than a collection may grow.
inline constexpr std::string_view kTooManyElements =
    "Couldn't convert native value because it has more elements than a collection can hold.";
}  // namespace ConversionMessage

// The range and native name of an integer or floating-point target.
struct SignedBounds {
  int64_t min;
  int64_t max;
  std::string_view nativeName;
};
struct UnsignedBounds {
  uint64_t max;
  std::string_view nativeName;
};
struct FloatBounds {
  double min;
  double max;
  std::string_view nativeName;
};

inline constexpr SignedBounds kInt8Bounds{INT8_MIN, INT8_MAX, "int8"};
inline constexpr SignedBounds kInt16Bounds{INT16_MIN, INT16_MAX, "int16"};
inline constexpr SignedBounds kInt32Bounds{INT32_MIN, INT32_MAX, "int32"};
inline constexpr SignedBounds kInt64Bounds{INT64_MIN, INT64_MAX, "int64"};
inline constexpr UnsignedBounds kUInt8Bounds{UINT8_MAX, "uint8"};
inline constexpr UnsignedBounds kUInt16Bounds{UINT16_MAX, "uint16"};
inline constexpr UnsignedBounds kUInt32Bounds{UINT32_MAX, "uint32"};
inline constexpr UnsignedBounds kUInt64Bounds{UINT64_MAX, "uint64"};
inline constexpr FloatBounds kFloatBounds{-std::numeric_limits<float>::max(),
                                          std::numeric_limits<float>::max(), "float"};
inline constexpr FloatBounds kDoubleBounds{-std::numeric_limits<double>::max(),
                                           std::numeric_limits<double>::max(), "double"};

// --- From BindingProperty ---

bool BoolFromBinding(BindingResult& status, const BindingProperty& input, std::string_view path);
int64_t SignedFromBinding(BindingResult& status, const BindingProperty& input,
                          std::string_view path, const SignedBounds& bounds);
uint64_t UnsignedFromBinding(BindingResult& status, const BindingProperty& input,
                             std::string_view path, const UnsignedBounds& bounds);
double FloatFromBinding(BindingResult& status, const BindingProperty& input,
                        std::string_view path, const FloatBounds& bounds);
// `enumeration` may be null (an unregistered enumeration): then no value is valid.
int32_t EnumFromBinding(BindingResult& status, const BindingProperty& input,
                        std::string_view path, const TypeInfo* enumeration);
// An Enum input is spelled by its registered name from `names`.
std::string TextFromBinding(BindingResult& status, const BindingProperty& input,
                            std::string_view path, const EnumNameLookup& names);
// A deep copy into `target`; never fails (but keeps to the status rule).
void ObjectFromBinding(BindingResult& status, BindingProperty& target,
                       const BindingProperty& input);
std::vector<uint8_t> BlobFromBinding(BindingResult& status, const BindingProperty& input,
                                     std::string_view path);
// Fills the native structure at `target` field by field; unregistered input fields are
// ignored, absent optional ones leave the native field as it was.
void StructFromBinding(BindingResult& status, void* target, const BindingProperty& input,
                       std::string_view path, const TypeInfo* structure,
                       const BindingRegistry& registry);
// The checks that open a vector or map conversion; false when there is nothing to convert
// (failed status or the failure just set).
[[nodiscard]] bool CheckVectorInput(BindingResult& status, const BindingProperty& input,
                                    std::string_view path);
[[nodiscard]] bool CheckMapInput(BindingResult& status, const BindingProperty& input,
                                 std::string_view path);

// --- To BindingProperty ---

// The native structure at `source`, field by field, into `result`.
void StructToBinding(BindingResult& result, const void* source, const TypeInfo* structure,
                     const BindingRegistry& registry);
// The same, written into `target` (a node of the tree being built, whose value it replaces):
// the fields are built in that tree. `status` must be ok on entry; on a failure it holds the
// message and `target` a partial structure for the caller to drop.
void StructToBindingInto(BindingResult& status, BindingProperty& target, const void* source,
                         const TypeInfo* structure, const BindingRegistry& registry);

// Whether a value counts as its type's default for kFieldSkipDefaultOnOutput: Empty; Bool
// false; Signed or Unsigned 0; Float 0.0; String, Blob, Collection or Structure of size 0;
// Enum value 0.
bool IsDefaultBindingValue(const BindingProperty& value) noexcept;

}  // namespace Vela
