// WalkTree: the walk behind WalkBinding, as a template over the visitor's type, so that a
// codec whose visitor is a final class gets its calls bound statically (and inlined) while
// other callers keep the virtual BindingVisitor. Same order of calls, same explicit stack.
#pragma once

#include <cstddef>
#include <span>

#include "binding/binding_property.h"
#include "binding/internal/work_stack.h"

namespace Vela::detail {

template <class Visitor>
class TreeWalk {
 public:
  explicit TreeWalk(Visitor& visitor) noexcept : visitor_(visitor) {}

  void Run(const BindingProperty& value) {
    Visit(value);
    while (!open_.empty()) {
      OpenContainer& top = open_.back();
      const std::size_t index = top.next++;
      if (top.isCollection) {
        const BindingProperty* elements = top.elements;
        const std::size_t count = top.count;
        if (index != 0) {
          visitor_.EndElement();
        }
        if (index == count) {
          visitor_.EndArray();
          open_.pop_back();
          continue;
        }
        visitor_.BeginElement();
        Visit(elements[index]);  // may push: `top` is not used after this
      } else {
        const BindingField* fields = top.fields;
        const std::size_t count = top.count;
        if (index != 0) {
          visitor_.EndField();
        }
        if (index == count) {
          visitor_.EndObject();
          open_.pop_back();
          continue;
        }
        visitor_.Key(fields[index].name());
        Visit(fields[index].value());
      }
    }
  }

 private:
  // An open Collection or Structure, its children and the index of the next one.
  struct OpenContainer {
    union {
      const BindingProperty* elements;
      const BindingField* fields;
    };
    std::size_t count;
    std::size_t next;
    bool isCollection;
  };

  // Emits a scalar, or opens a container and leaves it on the stack.
  void Visit(const BindingProperty& value) {
    switch (value.kind()) {
      case BindingKind::Empty:
        visitor_.Null();
        return;
      case BindingKind::Bool:
        visitor_.Bool(value.GetBoolOr(false));
        return;
      case BindingKind::Signed:
        visitor_.Signed(value.GetSignedOr(0));
        return;
      case BindingKind::Unsigned:
        visitor_.Unsigned(value.GetUnsignedOr(0));
        return;
      case BindingKind::Float:
        visitor_.Double(value.GetFloatOr(0.0));
        return;
      case BindingKind::String:
        visitor_.String(value.GetStringOr({}));
        return;
      case BindingKind::Blob:
        visitor_.Blob(value.GetBlobOr({}));
        return;
      case BindingKind::Enum:
        visitor_.Enum(value.GetEnumOr({}));
        return;
      case BindingKind::Collection: {
        std::span<const BindingProperty> elements = value.Elements();
        visitor_.StartArray(elements.size());
        OpenContainer open;
        open.elements = elements.data();
        open.count = elements.size();
        open.next = 0;
        open.isCollection = true;
        open_.push(open);
        return;
      }
      case BindingKind::Structure: {
        std::span<const BindingField> fields = value.Fields();
        visitor_.StartObject(fields.size());
        OpenContainer open;
        open.fields = fields.data();
        open.count = fields.size();
        open.next = 0;
        open.isCollection = false;
        open_.push(open);
        return;
      }
    }
  }

  Visitor& visitor_;
  WorkStack<OpenContainer> open_;
};

// Walks `value` in the order WalkBinding documents, calling `visitor` directly.
template <class Visitor>
void WalkTree(const BindingProperty& value, Visitor& visitor) {
  TreeWalk<Visitor>(visitor).Run(value);
}

}  // namespace Vela::detail
