#include "binding/binding_visitor.h"

#include "binding/internal/walk_tree.h"

namespace Vela {

void WalkBinding(const BindingProperty& value, BindingVisitor& visitor) {
  detail::WalkTree(value, visitor);
}

}  // namespace Vela
