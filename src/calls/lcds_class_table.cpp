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
  const TypeDescriptor element{declared.elementCode, TypeCode::None, declared.info};
  switch (ClassifyTypeCode(declared.code)) {
    case TypeCodeClass::Registered:
      // An enumeration's value is a name or a number: nothing to annotate.
      if (declared.code == TypeCode::Struct) AnnotateStructure(value, *declared.info, className, classes);
      return;
    case TypeCodeClass::Sequence:
      for (BindingProperty& item : value.MutableElements()) AnnotateElement(item, element, className, classes);
      return;
    case TypeCodeClass::Dictionary:
      for (BindingField& field : value.MutableFields()) AnnotateElement(field.value(), element, className, classes);
      return;
    case TypeCodeClass::Plain:
    case TypeCodeClass::Undescribed:
      return;
  }
}

}  // namespace Vela
