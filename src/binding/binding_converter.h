// BindingConverter: converts one native type between its storage and a BindingProperty.
// Each field record owns one; the struct conversion calls it with the field's address.
//
// Contract of both operations: `info` is the registered TypeInfo of the enumeration or
// structure involved (of the element, for vectors and maps), or null. FromBinding writes
// the native value at `target`, which must hold an object of the converter's type; when
// `status` has already failed it does nothing, so the first failure of a walk is the one
// reported. ToBinding leaves the value in `result` and marks it ok, or a failure.
//
// ToBindingInto writes the value into `target`, a node of the tree being built (a field or
// an element), replacing what it held, so that nested values share that tree's context
// instead of each building a tree of its own that is then copied in. `status` must be ok on
// entry; on a failure it holds the message and `target` a partial value for the caller to
// drop. The default goes through ToBinding, for converters that have nothing better.
//
// ToHostInto writes the value straight in the host form into `out` (Empty on entry): the
// bytes ToHostValue(tree, out, enums) gives for the tree ToBindingInto builds, with the same
// failures, and no tree between. It answers whether that tree would be its type's default
// (IsDefaultBindingValue), for fields left out when default. On a failure, or an exception,
// `out` may hold a partial value for the caller to release. The default goes through the
// tree.
#pragma once

#include <string_view>
#include <utility>

#include "binding/maybe_type.h"

namespace Vela {

class BindingRegistry;
class EnumNameLookup;
struct HostBindingValue;
struct TypeInfo;

class BindingConverter {
 public:
  virtual void FromBinding(BindingResult& status, void* target, const BindingProperty& input,
                           std::string_view path, const TypeInfo* info,
                           const BindingRegistry& registry) const = 0;
  virtual void ToBinding(BindingResult& result, const void* source, const TypeInfo* info,
                         const BindingRegistry& registry) const = 0;
  virtual void ToBindingInto(BindingResult& status, BindingProperty& target, const void* source,
                             const TypeInfo* info, const BindingRegistry& registry) const {
    BindingResult converted = BindingResult::Ok();
    ToBinding(converted, source, info, registry);
    if (!converted.ok()) {
      status.SetFailure(converted.message());
      return;
    }
    target = std::move(converted).value();
  }
  virtual bool ToHostInto(BindingResult& status, HostBindingValue& out, const void* source,
                          const TypeInfo* info, const BindingRegistry& registry,
                          const EnumNameLookup* enums) const;
  virtual ~BindingConverter() = default;
};

}  // namespace Vela
