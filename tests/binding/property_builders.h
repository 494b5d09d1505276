// Values written as they read in a table row: Collection({1, "a"}), Structure({{"id", 3}}),
// Blob({0xC1}).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/binding_property.h"

namespace Vela {

inline BindingProperty Collection(std::initializer_list<BindingProperty> elements) {
  BindingProperty value;
  value.MakeCollection();
  for (const BindingProperty& element : elements) value.Append() = element;
  return value;
}

inline BindingProperty Structure(
    std::initializer_list<std::pair<std::string_view, BindingProperty>> fields) {
  BindingProperty value;
  value.MakeStructure();
  for (const auto& [name, field] : fields) value.MutableField(name) = field;
  return value;
}

inline BindingProperty Blob(std::vector<uint8_t> bytes) { return BindingProperty(std::move(bytes)); }

}  // namespace Vela
