// The LCDS class table: which registered types travel to the back end under which class
// name, and the walk that writes those class names into a value before an LCDS invoke.
//
//   LcdsClassTable classes;
//   classes.Add("PlayerBehaviorSimpleMessageResponse",
//               "com.velaworks.platform.messaging.persistence.SimpleDialogMessageResponse");
//   AnnotateLcdsClasses(value, DescribeNativeType<SimpleMessageResponse>(registry), classes);
//   // value now holds "__class": "com.velaworks...SimpleDialogMessageResponse"
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "binding/binding_property.h"
#include "binding/type_descriptor.h"
#include "util/fnv1a.h"

namespace Vela {

// The field that carries a value's LCDS class name.
inline constexpr std::string_view kLcdsClassField = "__class";

class LcdsClassTable {
 public:
  // One class name per registered type name: a second Add replaces the first.
  void Add(std::string_view typeName, std::string_view className);
  // The class name of `typeName`; the empty text when it has none.
  [[nodiscard]] std::string_view Find(std::string_view typeName) const noexcept;
  [[nodiscard]] std::size_t size() const noexcept { return classes_.size(); }

 private:
  std::unordered_map<std::string, std::string, Fnv1aHash, std::equal_to<>> classes_;
};

// Writes class names into `value`, which was converted from a native value of the type
// `declared` describes:
// - a structure type with a class name: the value gets "__class", and each of its fields
//   is annotated by the field's declared type;
// - a vector or map whose element type has a class name: each element gets "__class" and
//   is annotated by the element type;
// - any type without a class name: nothing here or below is touched.
// A value declared as a structure gets "__class" whatever it holds: an Empty optional
// becomes a Structure with only that field, which is how the back end tells its class.
// Elements of a vector or map of enumerations are left as they are.
void AnnotateLcdsClasses(BindingProperty& value, const TypeDescriptor& declared,
                         const LcdsClassTable& classes);

}  // namespace Vela
