#include "binding/type_descriptor.h"

namespace Vela {

TypeCodeClass ClassifyTypeCode(TypeCode code) noexcept {
  switch (code) {
    case TypeCode::None:
      return TypeCodeClass::Undescribed;
    case TypeCode::Bool:
    case TypeCode::Int8:
    case TypeCode::UInt8:
    case TypeCode::Int16:
    case TypeCode::UInt16:
    case TypeCode::Int32:
    case TypeCode::UInt32:
    case TypeCode::Int64:
    case TypeCode::UInt64:
    case TypeCode::Float:
    case TypeCode::Double:
    case TypeCode::String:
    case TypeCode::Object:
    case TypeCode::Blob:
    case TypeCode::Callback:
      return TypeCodeClass::Plain;
    case TypeCode::Vector:
      return TypeCodeClass::Sequence;
    case TypeCode::Map:
      return TypeCodeClass::Dictionary;
    case TypeCode::Enum:
    case TypeCode::Struct:
      return TypeCodeClass::Registered;
  }
  // The underlying type is fixed, so any uint32_t value is a valid TypeCode: one outside
  // the table arrives here.
  return TypeCodeClass::Undescribed;
}

}  // namespace Vela
