#include "binding/internal/property_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "binding/binding_context.h"
#include "binding/internal/reserve_fields.h"

namespace Vela {
namespace detail {

namespace {

constinit CollectionNode gSharedEmptyCollection{nullptr, 0, 0, 0};

// Marks a chained Structure node; Collection nodes go unmarked (both are at least 4-aligned).
constexpr std::uintptr_t kStructureTag = 1;

bool IsContainer(BindingKind kind) noexcept {
  return kind == BindingKind::Collection || kind == BindingKind::Structure;
}

// The new capacity of a growing vector: half again the current one, at least `needed`.
uint32_t GrownCapacity(uint32_t capacity, std::size_t needed) {
  if (needed > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  // On a 32-bit target the byte count of the largest vectors would not fit a size_t.
  if (needed > std::numeric_limits<std::size_t>::max() / sizeof(BindingField)) {
    throw std::bad_alloc();
  }
  std::size_t grown = static_cast<std::size_t>(capacity) + capacity / 2;
  constexpr std::size_t kLargest =
      std::min<std::size_t>(kMaxCollectionElements,
                            std::numeric_limits<std::size_t>::max() / sizeof(BindingField));
  if (grown > kLargest) {
    grown = kLargest;
  }
  return static_cast<uint32_t>(grown < needed ? needed : grown);
}

}  // namespace

CollectionNode* SharedEmptyCollection() noexcept { return &gSharedEmptyCollection; }

void ReserveFields(BindingProperty& structure, std::size_t fields) {
  if (structure.kind() == BindingKind::Structure) {
    StructureNode& node = PropertyTree::StructureOf(structure);
    PropertyTree::ReserveFieldsExactly(*node.context, node, fields);
  }
}

// --- Collections ---

CollectionNode& PropertyTree::OwnCollectionNode(BindingProperty& value) {
  if (value.value_.node == &gSharedEmptyCollection) {
    value.value_.node = new (value.context_->AllocateNode(sizeof(CollectionNode)))
        CollectionNode{nullptr, 0, 0, 0};
  }
  return CollectionOf(value);
}

// Element and field arrays are nodes of the context too: small ones share the pools.
void PropertyTree::ResizeElements(BindingContext& context, CollectionNode& node,
                                  uint32_t capacity) {
  node.items = static_cast<BindingProperty*>(
      context.ResizeNode(node.items, node.capacity * sizeof(BindingProperty),
                         capacity * sizeof(BindingProperty)));
  node.capacity = capacity;
}

void PropertyTree::GrowElements(BindingContext& context, CollectionNode& node,
                                std::size_t needed) {
  if (needed > node.capacity) {
    ResizeElements(context, node, GrownCapacity(node.capacity, needed));
  }
}

void PropertyTree::ReserveElementsExactly(BindingContext& context, CollectionNode& node,
                                          std::size_t needed) {
  if (needed > node.capacity) {
    ResizeElements(context, node, GrownCapacity(0, needed));
  }
}

// --- Structures ---

void PropertyTree::ResizeFields(BindingContext& context, StructureNode& node,
                                uint32_t capacity) {
  node.fields = static_cast<BindingField*>(context.ResizeNode(
      node.fields, node.capacity * sizeof(BindingField), capacity * sizeof(BindingField)));
  node.capacity = capacity;
}

void PropertyTree::GrowFields(BindingContext& context, StructureNode& node, std::size_t needed) {
  if (needed > node.capacity) {
    ResizeFields(context, node, GrownCapacity(node.capacity, needed));
  }
}

void PropertyTree::ReserveFieldsExactly(BindingContext& context, StructureNode& node,
                                        std::size_t needed) {
  if (needed > node.capacity) {
    ResizeFields(context, node, GrownCapacity(0, needed));
  }
}

BindingField& PropertyTree::InsertEmptyField(StructureNode& node, uint32_t index,
                                             const InternedText* name, BindingContext* context) {
  try {
    GrowFields(*context, node, static_cast<std::size_t>(node.size) + 1);
  } catch (...) {
    context->Release(name);
    throw;
  }
  BindingField* slot = node.fields + index;
  if (index < node.size) {
    std::memmove(static_cast<void*>(slot + 1), static_cast<const void*>(slot),
                 (node.size - index) * sizeof(BindingField));
  }
  auto* field = new (slot) BindingField();
  field->name_ = name;
  field->value_.context_ = context;
  field->value_.ownsContext_ = 0;
  ++node.size;
  return *field;
}

// --- Destruction ---

void PropertyTree::FreeBlob(BindingContext& context, BlobNode* node) noexcept {
  if (node->OwnsBlock()) {
    context.FreeNode(node->data, node->size);
  } else if (node->data != nullptr) {
    context.NoteAdoptedBlob(false);
  }
  node->~BlobNode();
  context.FreeNode(node, sizeof(BlobNode));
}

// Releases a leaf payload, or chains a container node onto `pending`.
void PropertyTree::ReleaseLeafOrChainContainer(BindingContext& context, BindingProperty& value,
                                               std::uintptr_t& pending) noexcept {
  switch (value.kind_) {
    case BindingKind::Empty:
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
      return;
    case BindingKind::String:
      context.Release(TextOf(value));
      return;
    case BindingKind::Blob:
      FreeBlob(context, &BlobOf(value));
      return;
    case BindingKind::Enum:
      context.FreeNode(value.value_.node, sizeof(BindingEnum));
      return;
    case BindingKind::Collection:
      if (value.value_.node == &gSharedEmptyCollection) {
        return;
      }
      CollectionOf(value).pendingLink = pending;
      pending = reinterpret_cast<std::uintptr_t>(value.value_.node);
      return;
    case BindingKind::Structure:
      StructureOf(value).pendingLink = pending;
      pending = reinterpret_cast<std::uintptr_t>(value.value_.node) | kStructureTag;
      return;
  }
}

// Container nodes waiting for destruction are chained through their own nodes, so that no
// memory is needed.
void PropertyTree::DestroyTree(BindingContext& context, BindingProperty& root) noexcept {
  std::uintptr_t pending = 0;
  ReleaseLeafOrChainContainer(context, root, pending);
  while (pending != 0) {
    if ((pending & kStructureTag) == 0) {
      auto* node = reinterpret_cast<CollectionNode*>(pending);
      pending = node->pendingLink;
      for (uint32_t i = 0; i < node->size; ++i) {
        ReleaseLeafOrChainContainer(context, node->items[i], pending);
      }
      if (node->items != nullptr) {
        context.FreeNode(node->items, node->capacity * sizeof(BindingProperty));
      }
      context.FreeNode(node, sizeof(CollectionNode));
    } else {
      auto* node = reinterpret_cast<StructureNode*>(pending & ~kStructureTag);
      pending = node->pendingLink;
      for (uint32_t i = 0; i < node->size; ++i) {
        context.Release(node->fields[i].name_);
        ReleaseLeafOrChainContainer(context, node->fields[i].value_, pending);
      }
      if (node->fields != nullptr) {
        context.FreeNode(node->fields, node->capacity * sizeof(BindingField));
      }
      context.FreeNode(node, sizeof(StructureNode));
    }
  }
}

// --- Copies ---

// Copies one node of `source` into the Empty `target`; the children of a container are
// created Empty and queued.
void PropertyTree::CopyNodeQueueingChildren(const BindingProperty& source,
                                            BindingProperty& target,
                                            WorkStack<CopyItem>& queue) {
  switch (source.kind_) {
    case BindingKind::Empty:
      return;
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
      target.value_ = source.value_;
      target.kind_ = source.kind_;
      return;
    case BindingKind::String: {
      BindingContext& context = target.EnsureContext();
      const InternedText* entry = TextOf(source);
      if (source.context_ == &context) {
        context.AddReference(entry);
      } else {
        entry = context.Intern(entry->view());
      }
      target.value_.node = const_cast<InternedText*>(entry);
      target.kind_ = BindingKind::String;
      return;
    }
    case BindingKind::Blob:
      target.SetBlob(source.GetBlobOr({}));
      return;
    case BindingKind::Enum:
      target.SetEnum(EnumOf(source));
      return;
    case BindingKind::Collection: {
      const CollectionNode& from = CollectionOf(source);
      target.MakeCollection();
      CollectionNode& to = CollectionOf(target);
      ReserveElementsExactly(*target.context_, to, from.size);
      for (uint32_t i = 0; i < from.size; ++i) {
        ConstructBorrowedEmpty(to.items + i, target.context_);
      }
      to.size = from.size;
      // Queued last-first so that the elements are copied in order.
      for (uint32_t i = from.size; i-- != 0;) {
        queue.push({from.items + i, to.items + i});
      }
      return;
    }
    case BindingKind::Structure: {
      const StructureNode& from = StructureOf(source);
      target.MakeStructure();
      StructureNode& to = StructureOf(target);
      BindingContext& context = *target.context_;
      ReserveFieldsExactly(context, to, from.size);
      const bool sameContext = source.context_ == &context;
      // The source is already in name order: every field goes to the end.
      for (uint32_t i = 0; i < from.size; ++i) {
        const InternedText* name = from.fields[i].name_;
        if (sameContext) {
          context.AddReference(name);
        } else {
          name = context.Intern(name->view());
        }
        InsertEmptyField(to, to.size, name, &context);
      }
      for (uint32_t i = from.size; i-- != 0;) {
        queue.push({&from.fields[i].value_, &to.fields[i].value_});
      }
      return;
    }
  }
}

void PropertyTree::DeepCopy(const BindingProperty& source, BindingProperty& target) {
  WorkStack<CopyItem> queue;
  CopyNodeQueueingChildren(source, target, queue);
  while (!queue.empty()) {
    CopyItem item = queue.pop();
    CopyNodeQueueingChildren(*item.source, *item.target, queue);
  }
}

// The copy goes into a detached Empty value of `target`'s context, taken over once
// `target` was reset: neither the reset nor the copy then touches the other's nodes.
void PropertyTree::CopyWithinTree(const BindingProperty& source, BindingProperty& target) {
  BindingProperty detached;
  detached.context_ = target.context_;
  detached.ownsContext_ = 0;
  DeepCopy(source, detached);
  target.Reset();
  target.value_ = detached.value_;
  target.kind_ = detached.kind_;
  detached.value_.u = 0;
  detached.kind_ = BindingKind::Empty;
}

// --- Searches ---

bool PropertyTree::TreeContains(const BindingProperty& root, const BindingProperty* target) {
  WorkStack<const BindingProperty*> queue;
  queue.push(&root);
  const auto* address = reinterpret_cast<const unsigned char*>(target);
  while (!queue.empty()) {
    const BindingProperty& value = *queue.pop();
    if (value.kind_ == BindingKind::Collection) {
      const CollectionNode& node = CollectionOf(value);
      const auto* begin = reinterpret_cast<const unsigned char*>(node.items);
      if (address >= begin && address < begin + node.size * sizeof(BindingProperty)) {
        return true;
      }
      for (uint32_t i = 0; i < node.size; ++i) {
        if (IsContainer(node.items[i].kind_)) {
          queue.push(node.items + i);
        }
      }
    } else if (value.kind_ == BindingKind::Structure) {
      const StructureNode& node = StructureOf(value);
      const auto* begin = reinterpret_cast<const unsigned char*>(node.fields);
      if (address >= begin && address < begin + node.size * sizeof(BindingField)) {
        return true;
      }
      for (uint32_t i = 0; i < node.size; ++i) {
        if (IsContainer(node.fields[i].value_.kind_)) {
          queue.push(&node.fields[i].value_);
        }
      }
    }
  }
  return false;
}

bool PropertyTree::DeepEqual(const BindingProperty& left, const BindingProperty& right) {
  struct ComparePair {
    const BindingProperty* a;
    const BindingProperty* b;
  };
  WorkStack<ComparePair> queue;
  queue.push({&left, &right});
  while (!queue.empty()) {
    ComparePair pair = queue.pop();
    const BindingProperty& a = *pair.a;
    const BindingProperty& b = *pair.b;
    if (a.kind_ != b.kind_) {
      return false;
    }
    switch (a.kind_) {
      case BindingKind::Empty:
        break;
      case BindingKind::Bool:
        if (a.value_.b != b.value_.b) {
          return false;
        }
        break;
      case BindingKind::Signed:
      case BindingKind::Unsigned:
        if (a.value_.u != b.value_.u) {
          return false;
        }
        break;
      case BindingKind::Float:
        if (!(a.value_.d == b.value_.d)) {
          return false;
        }
        break;
      case BindingKind::String:
        if (TextOf(a) != TextOf(b) && TextOf(a)->view() != TextOf(b)->view()) {
          return false;
        }
        break;
      case BindingKind::Blob: {
        std::span<const uint8_t> x = a.GetBlobOr({});
        std::span<const uint8_t> y = b.GetBlobOr({});
        if (x.size() != y.size() ||
            (!x.empty() && std::memcmp(x.data(), y.data(), x.size()) != 0)) {
          return false;
        }
        break;
      }
      case BindingKind::Enum:
        if (!(EnumOf(a) == EnumOf(b))) {
          return false;
        }
        break;
      case BindingKind::Collection: {
        const CollectionNode& x = CollectionOf(a);
        const CollectionNode& y = CollectionOf(b);
        if (x.size != y.size) {
          return false;
        }
        for (uint32_t i = 0; i < x.size; ++i) {
          queue.push({x.items + i, y.items + i});
        }
        break;
      }
      case BindingKind::Structure: {
        const StructureNode& x = StructureOf(a);
        const StructureNode& y = StructureOf(b);
        if (x.size != y.size) {
          return false;
        }
        for (uint32_t i = 0; i < x.size; ++i) {
          const InternedText* p = x.fields[i].name_;
          const InternedText* q = y.fields[i].name_;
          if (p != q && p->view() != q->view()) {
            return false;
          }
          queue.push({&x.fields[i].value_, &y.fields[i].value_});
        }
        break;
      }
    }
  }
  return true;
}

}  // namespace detail
}  // namespace Vela
