#include "binding/binding_visitor.h"

#include "binding/internal/work_stack.h"

namespace Vela {

namespace {

// An open Collection or Structure and the index of its next child.
struct OpenContainer {
  const BindingProperty* value;
  std::size_t next;
};

// Emits a scalar, or opens a container and leaves it on the stack.
void Visit(const BindingProperty& value, BindingVisitor& visitor,
           detail::WorkStack<OpenContainer>& open) {
  switch (value.kind()) {
    case BindingKind::Empty:
      visitor.Null();
      return;
    case BindingKind::Bool:
      visitor.Bool(value.GetBoolOr(false));
      return;
    case BindingKind::Signed:
      visitor.Signed(value.GetSignedOr(0));
      return;
    case BindingKind::Unsigned:
      visitor.Unsigned(value.GetUnsignedOr(0));
      return;
    case BindingKind::Float:
      visitor.Double(value.GetFloatOr(0.0));
      return;
    case BindingKind::String:
      visitor.String(value.GetStringOr({}));
      return;
    case BindingKind::Blob:
      visitor.Blob(value.GetBlobOr({}));
      return;
    case BindingKind::Enum:
      visitor.Enum(value.GetEnumOr({}));
      return;
    case BindingKind::Collection:
      visitor.StartArray(value.size());
      open.push({&value, 0});
      return;
    case BindingKind::Structure:
      visitor.StartObject(value.size());
      open.push({&value, 0});
      return;
  }
}

}  // namespace

void WalkBinding(const BindingProperty& value, BindingVisitor& visitor) {
  detail::WorkStack<OpenContainer> open;
  Visit(value, visitor, open);
  while (!open.empty()) {
    OpenContainer& top = open.back();
    const BindingProperty& container = *top.value;
    const std::size_t index = top.next++;
    if (container.kind() == BindingKind::Collection) {
      std::span<const BindingProperty> elements = container.Elements();
      if (index != 0) {
        visitor.EndElement();
      }
      if (index == elements.size()) {
        visitor.EndArray();
        open.pop_back();
        continue;
      }
      visitor.BeginElement();
      Visit(elements[index], visitor, open);  // may push: `top` is not used after this
    } else {
      std::span<const BindingField> fields = container.Fields();
      if (index != 0) {
        visitor.EndField();
      }
      if (index == fields.size()) {
        visitor.EndObject();
        open.pop_back();
        continue;
      }
      visitor.Key(fields[index].name());
      Visit(fields[index].value(), visitor, open);
    }
  }
}

}  // namespace Vela
