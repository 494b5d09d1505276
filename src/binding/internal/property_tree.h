// PropertyTree: the operations on whole trees of BindingProperty values (destruction, deep
// copy, comparison, containment) and on the nodes behind them (growing element and field
// arrays, finding and inserting fields). BindingProperty's members call them; nothing else
// does. It is the one friend that sees a value's private side, so that the tree algorithms
// live apart from the value's interface without widening it.
//
// The walks use an explicit stack (or, for destruction, the nodes themselves) instead of
// recursion: a document of any depth is handled without exhausting the thread's stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/internal/binding_nodes.h"
#include "binding/internal/interned_text.h"
#include "binding/internal/work_stack.h"

namespace Vela {

class BindingContext;

namespace detail {

struct PropertyTree {
  // --- The node behind a payload; the value must be of that kind. ---
  static CollectionNode& CollectionOf(const BindingProperty& value) noexcept {
    return *static_cast<CollectionNode*>(value.value_.node);
  }
  static StructureNode& StructureOf(const BindingProperty& value) noexcept {
    return *static_cast<StructureNode*>(value.value_.node);
  }
  static BlobNode& BlobOf(const BindingProperty& value) noexcept {
    return *static_cast<BlobNode*>(value.value_.node);
  }
  static const BindingEnum& EnumOf(const BindingProperty& value) noexcept {
    return *static_cast<const BindingEnum*>(value.value_.node);
  }
  static const InternedText* TextOf(const BindingProperty& value) noexcept {
    return static_cast<const InternedText*>(value.value_.node);
  }

  // --- Collections ---

  // The node of a Collection, given one of its own first when it shares the empty one.
  static CollectionNode& OwnCollectionNode(BindingProperty& value);
  // An Empty value in raw memory that borrows `context`, as elements and fields are.
  static void ConstructBorrowedEmpty(void* where, BindingContext* context) noexcept {
    auto* child = new (where) BindingProperty();
    child->context_ = context;
    child->ownsContext_ = 0;
  }
  // Room for `needed` elements, growing by half again (appends); the other reserves
  // exactly (a known count). Both throw std::length_error past kMaxCollectionElements.
  static void GrowElements(BindingContext& context, CollectionNode& node, std::size_t needed);
  static void ReserveElementsExactly(BindingContext& context, CollectionNode& node,
                                     std::size_t needed);

  // --- Structures ---

  // The same two ways of making room, for fields.
  static void GrowFields(BindingContext& context, StructureNode& node, std::size_t needed);
  static void ReserveFieldsExactly(BindingContext& context, StructureNode& node,
                                   std::size_t needed);
  // Index of the first field whose name does not sort below `name` (binary search).
  static uint32_t FirstFieldNotBelow(const StructureNode& node, std::string_view name) noexcept {
    uint32_t low = 0;
    uint32_t high = node.size;
    while (low < high) {
      uint32_t middle = low + (high - low) / 2;
      if (CompareNames(node.fields[middle].name_->view(), name) < 0) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    return low;
  }
  static BindingField* FindField(const StructureNode& node, std::string_view name) noexcept {
    uint32_t index = FirstFieldNotBelow(node, name);
    if (index < node.size && node.fields[index].name_->view() == name) {
      return &node.fields[index];
    }
    return nullptr;
  }
  // Inserts an Empty field at `index`, named by `name`, whose reference the field takes
  // over (released here when the insertion throws).
  static BindingField& InsertEmptyField(StructureNode& node, uint32_t index,
                                        const InternedText* name, BindingContext* context);

  // --- Whole trees ---

  // Frees a Blob's bytes (or destroys its taken-over vector) and its node.
  static void FreeBlob(BindingContext& context, BlobNode* node) noexcept;
  // Releases the payload of `root` and every node below it, without allocating; `root`'s
  // kind and payload bits are left for the caller to clear.
  static void DestroyTree(BindingContext& context, BindingProperty& root) noexcept;
  // Deep copy of `source` into the Empty `target`, in `target`'s context.
  static void DeepCopy(const BindingProperty& source, BindingProperty& target);
  // Copy assignment between two values of one tree, where either may lie inside the other.
  static void CopyWithinTree(const BindingProperty& source, BindingProperty& target);
  // Whether `target` is stored somewhere inside the tree below `root`.
  static bool TreeContains(const BindingProperty& root, const BindingProperty* target);
  // Kind-exact equality: fields by name, elements in order, Float by ==.
  static bool DeepEqual(const BindingProperty& left, const BindingProperty& right);

 private:
  struct CopyItem {
    const BindingProperty* source;
    BindingProperty* target;
  };

  static void ResizeElements(BindingContext& context, CollectionNode& node, uint32_t capacity);
  static void ResizeFields(BindingContext& context, StructureNode& node, uint32_t capacity);
  static void ReleaseLeafOrChainContainer(BindingContext& context, BindingProperty& value,
                                          std::uintptr_t& pending) noexcept;
  static void CopyNodeQueueingChildren(const BindingProperty& source, BindingProperty& target,
                                       WorkStack<CopyItem>& queue);
};

}  // namespace detail
}  // namespace Vela
