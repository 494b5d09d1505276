// BindingConverter: converts one native type between its storage and a BindingProperty.
// Each field record owns one; the struct conversion calls it with the field's address.
//
// Contract of both operations: `info` is the registered TypeInfo of the enumeration or
// structure involved (of the element, for vectors and maps), or null. FromBinding writes
// the native value at `target`, which must hold an object of the converter's type; when
// `status` has already failed it does nothing, so the first failure of a walk is the one
// reported. ToBinding leaves the value in `result` and marks it ok, or a failure.
#pragma once

#include <string_view>

#include "binding/maybe_type.h"

namespace Vela {

class BindingRegistry;
struct TypeInfo;

class BindingConverter {
 public:
  virtual void FromBinding(BindingResult& status, void* target, const BindingProperty& input,
                           std::string_view path, const TypeInfo* info,
                           const BindingRegistry& registry) const = 0;
  virtual void ToBinding(BindingResult& result, const void* source, const TypeInfo* info,
                         const BindingRegistry& registry) const = 0;
  virtual ~BindingConverter() = default;
};

}  // namespace Vela
