#include "calls/lcds_class_table.h"

#include "binding/type_info.h"

namespace Vela {

void LcdsClassTable::Add(std::string_view typeName, std::string_view className) {
  classes_.insert_or_assign(std::string(typeName), std::string(className));
}

std::string_view LcdsClassTable::Find(std::string_view typeName) const noexcept {
  auto found = classes_.find(typeName);
  return found == classes_.end() ? std::string_view{} : std::string_view(found->second);
}

namespace {

void AnnotateStructure(BindingProperty& value, const TypeInfo& type, std::string_view className,
                       const LcdsClassTable& classes);

// One element of a vector or map: its own class name, then its insides.
void AnnotateElement(BindingProperty& element, const TypeDescriptor& elementType,
                     std::string_view className, const LcdsClassTable& classes) {
  // An enumeration element is a name or a number: giving it a field would replace it.
  if (elementType.code != TypeCode::Struct || elementType.info == nullptr) return;
  AnnotateStructure(element, *elementType.info, className, classes);
}

void AnnotateStructure(BindingProperty& value, const TypeInfo& type, std::string_view className,
                       const LcdsClassTable& classes) {
  value.MutableField(kLcdsClassField) = className;
  // Fields are visited in the value's order and matched to their records by name; the
  // class field added above matches no record.
  for (BindingField& field : value.MutableFields()) {
    for (const FieldRecord& record : type.fields) {
      if (record.name != field.name()) continue;
      AnnotateLcdsClasses(field.value(), record.type, classes);
      break;
    }
  }
}

}  // namespace

void AnnotateLcdsClasses(BindingProperty& value, const TypeDescriptor& declared,
                         const LcdsClassTable& classes) {
  if (declared.info == nullptr) return;
  const std::string_view className = classes.Find(declared.info->name);
  if (className.empty()) return;
  switch (declared.code) {
    case TypeCode::Struct:
      AnnotateStructure(value, *declared.info, className, classes);
      return;
    case TypeCode::Vector: {
      const TypeDescriptor element{declared.elementCode, TypeCode::None, declared.info};
      for (BindingProperty& item : value.MutableElements()) AnnotateElement(item, element, className, classes);
      return;
    }
    case TypeCode::Map: {
      const TypeDescriptor element{declared.elementCode, TypeCode::None, declared.info};
      for (BindingField& field : value.MutableFields()) AnnotateElement(field.value(), element, className, classes);
      return;
    }
    case TypeCode::None:
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
    case TypeCode::Enum:
    case TypeCode::Callback:
      return;
  }
}

}  // namespace Vela
