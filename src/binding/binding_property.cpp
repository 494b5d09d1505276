#include "binding/binding_property.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "binding/binding_context.h"
#include "binding/internal/reserve_fields.h"
#include "binding/internal/work_stack.h"
#include "util/allocation.h"
#include "util/base64.h"

namespace Vela {

namespace {

using detail::BlobNode;
using detail::CompareNames;
using detail::CollectionNode;
using detail::StructureNode;

const BindingProperty kStaticEmpty;

constinit CollectionNode gSharedEmptyCollection{nullptr, 0, 0, 0};

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

CollectionNode* detail::SharedEmptyCollection() noexcept { return &gSharedEmptyCollection; }

// The private side of values, for the tree algorithms below.
struct BindingPropertyAccess {
  static CollectionNode& Collection(const BindingProperty& value) noexcept {
    return *static_cast<CollectionNode*>(value.value_.node);
  }
  static StructureNode& Structure(const BindingProperty& value) noexcept {
    return *static_cast<StructureNode*>(value.value_.node);
  }
  static BlobNode& Blob(const BindingProperty& value) noexcept {
    return *static_cast<BlobNode*>(value.value_.node);
  }
  static const BindingEnum& Enum(const BindingProperty& value) noexcept {
    return *static_cast<const BindingEnum*>(value.value_.node);
  }
  static const InternedText* Text(const BindingProperty& value) noexcept {
    return static_cast<const InternedText*>(value.value_.node);
  }

  // The node of a Collection, given one of its own first when it shares the empty one.
  static CollectionNode& WritableCollection(BindingProperty& value) {
    if (value.value_.node == &gSharedEmptyCollection) {
      value.value_.node = new (value.context_->AllocateNode(sizeof(CollectionNode)))
          CollectionNode{nullptr, 0, 0, 0};
    }
    return Collection(value);
  }

  // A borrowed Empty value of `context`, in raw memory.
  static void ConstructChild(void* where, BindingContext* context) noexcept {
    auto* child = new (where) BindingProperty();
    child->context_ = context;
    child->ownsContext_ = 0;
  }

  // Element and field vectors are nodes of the context too: small ones share the pools.
  static void ResizeElements(BindingContext& context, CollectionNode& node, uint32_t capacity) {
    node.items = static_cast<BindingProperty*>(
        context.ResizeNode(node.items, node.capacity * sizeof(BindingProperty),
                           capacity * sizeof(BindingProperty)));
    node.capacity = capacity;
  }

  static void ReserveElements(BindingContext& context, CollectionNode& node, std::size_t needed) {
    if (needed > node.capacity) {
      ResizeElements(context, node, GrownCapacity(node.capacity, needed));
    }
  }

  static void ReserveExactElements(BindingContext& context, CollectionNode& node,
                                   std::size_t needed) {
    if (needed > node.capacity) {
      ResizeElements(context, node, GrownCapacity(0, needed));
    }
  }

  static void ReserveFields(BindingContext& context, StructureNode& node, std::size_t needed,
                            bool exact) {
    if (needed <= node.capacity) {
      return;
    }
    uint32_t capacity = exact ? GrownCapacity(0, needed) : GrownCapacity(node.capacity, needed);
    node.fields = static_cast<BindingField*>(context.ResizeNode(
        node.fields, node.capacity * sizeof(BindingField), capacity * sizeof(BindingField)));
    node.capacity = capacity;
  }

  static void ReserveStructure(BindingProperty& value, std::size_t fields) {
    if (value.kind_ == BindingKind::Structure) {
      ReserveFields(*value.context_, Structure(value), fields, true);
    }
  }

  static void FreeElements(BindingContext& context, CollectionNode& node) noexcept {
    if (node.items != nullptr) {
      context.FreeNode(node.items, node.capacity * sizeof(BindingProperty));
    }
  }

  static void FreeFields(BindingContext& context, StructureNode& node) noexcept {
    if (node.fields != nullptr) {
      context.FreeNode(node.fields, node.capacity * sizeof(BindingField));
    }
  }

  // Index of the first field whose name is not below `name`.
  static uint32_t LowerBound(const StructureNode& node, std::string_view name) noexcept {
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
    uint32_t index = LowerBound(node, name);
    if (index < node.size && node.fields[index].name_->view() == name) {
      return &node.fields[index];
    }
    return nullptr;
  }

  // Inserts an Empty field named by `entry` (already counted for it) at `index`.
  static BindingField& InsertField(StructureNode& node, uint32_t index, const InternedText* entry,
                                   BindingContext* context) {
    try {
      ReserveFields(*context, node, static_cast<std::size_t>(node.size) + 1, false);
    } catch (...) {
      context->Release(entry);
      throw;
    }
    BindingField* slot = node.fields + index;
    if (index < node.size) {
      std::memmove(static_cast<void*>(slot + 1), static_cast<const void*>(slot),
                   (node.size - index) * sizeof(BindingField));
    }
    auto* field = new (slot) BindingField();
    field->name_ = entry;
    field->value_.context_ = context;
    field->value_.ownsContext_ = 0;
    ++node.size;
    return *field;
  }

  static void DestroyBlob(BindingContext& context, BlobNode* node) noexcept {
    if (node->OwnsBlock()) {
      context.FreeNode(node->data, node->size);
    } else if (node->data != nullptr) {
      context.NoteAdoptedBlob(false);
    }
    node->~BlobNode();
    context.FreeNode(node, sizeof(BlobNode));
  }

  // Releases a leaf payload, or chains a container node onto `pending`.
  static void ReleaseOrChain(BindingContext& context, BindingProperty& value,
                             std::uintptr_t& pending) noexcept {
    switch (value.kind_) {
      case BindingKind::Empty:
      case BindingKind::Bool:
      case BindingKind::Signed:
      case BindingKind::Unsigned:
      case BindingKind::Float:
        return;
      case BindingKind::String:
        context.Release(Text(value));
        return;
      case BindingKind::Blob:
        DestroyBlob(context, &Blob(value));
        return;
      case BindingKind::Enum:
        context.FreeNode(value.value_.node, sizeof(BindingEnum));
        return;
      case BindingKind::Collection:
        if (value.value_.node == &gSharedEmptyCollection) {
          return;
        }
        Collection(value).pendingLink = pending;
        pending = reinterpret_cast<std::uintptr_t>(value.value_.node);
        return;
      case BindingKind::Structure:
        Structure(value).pendingLink = pending;
        pending = reinterpret_cast<std::uintptr_t>(value.value_.node) | kStructureTag;
        return;
    }
  }

  // Tears a tree down without recursion and without allocating: container nodes waiting
  // for destruction are chained through their own nodes.
  static void DestroyTree(BindingContext& context, BindingProperty& root) noexcept {
    std::uintptr_t pending = 0;
    ReleaseOrChain(context, root, pending);
    while (pending != 0) {
      if ((pending & kStructureTag) == 0) {
        auto* node = reinterpret_cast<CollectionNode*>(pending);
        pending = node->pendingLink;
        for (uint32_t i = 0; i < node->size; ++i) {
          ReleaseOrChain(context, node->items[i], pending);
        }
        FreeElements(context, *node);
        context.FreeNode(node, sizeof(CollectionNode));
      } else {
        auto* node = reinterpret_cast<StructureNode*>(pending & ~kStructureTag);
        pending = node->pendingLink;
        for (uint32_t i = 0; i < node->size; ++i) {
          context.Release(node->fields[i].name_);
          ReleaseOrChain(context, node->fields[i].value_, pending);
        }
        FreeFields(context, *node);
        context.FreeNode(node, sizeof(StructureNode));
      }
    }
  }

  struct CopyItem {
    const BindingProperty* source;
    BindingProperty* target;
  };

  // Copies one node of `source` into the Empty `target`; the children of a container are
  // created Empty and queued.
  static void CopyNode(const BindingProperty& source, BindingProperty& target,
                       detail::WorkStack<CopyItem>& queue) {
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
        const InternedText* entry = Text(source);
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
        target.SetEnum(Enum(source));
        return;
      case BindingKind::Collection: {
        const CollectionNode& from = Collection(source);
        target.MakeCollection();
        CollectionNode& to = Collection(target);
        ReserveExactElements(*target.context_, to, from.size);
        for (uint32_t i = 0; i < from.size; ++i) {
          ConstructChild(to.items + i, target.context_);
        }
        to.size = from.size;
        // Queued last-first so that the elements are copied in order.
        for (uint32_t i = from.size; i-- != 0;) {
          queue.push({from.items + i, to.items + i});
        }
        return;
      }
      case BindingKind::Structure: {
        const StructureNode& from = Structure(source);
        target.MakeStructure();
        StructureNode& to = Structure(target);
        BindingContext& context = *target.context_;
        ReserveFields(context, to, from.size, true);
        const bool sameContext = source.context_ == &context;
        // The source is already in name order: every field goes to the end.
        for (uint32_t i = 0; i < from.size; ++i) {
          const InternedText* name = from.fields[i].name_;
          if (sameContext) {
            context.AddReference(name);
          } else {
            name = context.Intern(name->view());
          }
          InsertField(to, to.size, name, &context);
        }
        for (uint32_t i = from.size; i-- != 0;) {
          queue.push({&from.fields[i].value_, &to.fields[i].value_});
        }
        return;
      }
    }
  }

  // Deep copy of `source` into the Empty `target`, without recursion.
  static void DeepCopy(const BindingProperty& source, BindingProperty& target) {
    detail::WorkStack<CopyItem> queue;
    CopyNode(source, target, queue);
    while (!queue.empty()) {
      CopyItem item = queue.pop();
      CopyNode(*item.source, *item.target, queue);
    }
  }

  // Whether `target` is stored somewhere inside the tree below `root`.
  static bool Contains(const BindingProperty& root, const BindingProperty* target) {
    detail::WorkStack<const BindingProperty*> queue;
    queue.push(&root);
    const auto* address = reinterpret_cast<const unsigned char*>(target);
    while (!queue.empty()) {
      const BindingProperty& value = *queue.pop();
      if (value.kind_ == BindingKind::Collection) {
        const CollectionNode& node = Collection(value);
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
        const StructureNode& node = Structure(value);
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

  // Takes the payload of `source` (a value of the same context) without copying; the
  // source is left Empty.
  static void TakePayload(BindingProperty& target, BindingProperty& source) noexcept {
    target.value_ = source.value_;
    target.kind_ = source.kind_;
    source.value_.u = 0;
    source.kind_ = BindingKind::Empty;
  }

  // Deep copy of `source` into a detached Empty value of `target`'s context, taken over
  // after `target` was reset: safe when either value lies inside the other.
  static void CopyThroughDetached(const BindingProperty& source, BindingProperty& target) {
    BindingProperty detached;
    detached.context_ = target.context_;
    detached.ownsContext_ = 0;
    DeepCopy(source, detached);
    target.Reset();
    TakePayload(target, detached);
  }

  struct ComparePair {
    const BindingProperty* a;
    const BindingProperty* b;
  };

  static bool Equal(const BindingProperty& left, const BindingProperty& right) {
    detail::WorkStack<ComparePair> queue;
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
          if (Text(a) != Text(b) && Text(a)->view() != Text(b)->view()) {
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
          if (!(Enum(a) == Enum(b))) {
            return false;
          }
          break;
        case BindingKind::Collection: {
          const CollectionNode& x = Collection(a);
          const CollectionNode& y = Collection(b);
          if (x.size != y.size) {
            return false;
          }
          for (uint32_t i = 0; i < x.size; ++i) {
            queue.push({x.items + i, y.items + i});
          }
          break;
        }
        case BindingKind::Structure: {
          const StructureNode& x = Structure(a);
          const StructureNode& y = Structure(b);
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
};

using Access = BindingPropertyAccess;

void detail::ReserveFields(BindingProperty& structure, std::size_t fields) {
  Access::ReserveStructure(structure, fields);
}

// --- Lifetime ---

BindingProperty::~BindingProperty() {
  if (ownsContext_ != 0 && context_ != nullptr) {
    // Every node lives in the context, which goes as a whole: no walk of the tree unless a
    // taken-over vector needs its destructor.
    if (context_->HasAdoptedBlobs()) {
      Reset();
    }
    BindingContext::Destroy(context_);
    return;
  }
  Reset();
}

BindingProperty::BindingProperty(const BindingProperty& other) {
  try {
    Access::DeepCopy(other, *this);
  } catch (...) {
    // No destructor runs for an object whose constructor threw.
    BindingContext::Destroy(context_);
    throw;
  }
}

BindingProperty::BindingProperty(BindingProperty&& other) noexcept {
  if (other.ownsContext_ != 0) {
    value_ = other.value_;
    context_ = other.context_;
    kind_ = other.kind_;
    other.value_.u = 0;
    other.context_ = nullptr;
    other.kind_ = BindingKind::Empty;
    return;
  }
  // A value inside a tree: copied into this value's own context.
  Access::DeepCopy(other, *this);
  other.Reset();
}

BindingProperty& BindingProperty::operator=(const BindingProperty& other) {
  if (this == &other) {
    return *this;
  }
  if (other.kind_ <= BindingKind::Float) {
    // Read before the reset: `other` may lie inside this value.
    Payload payload = other.value_;
    BindingKind kind = other.kind_;
    Reset();
    value_ = payload;
    kind_ = kind;
    return *this;
  }
  if (context_ != nullptr && context_ == other.context_) {
    // One tree: either value may lie inside the other.
    Access::CopyThroughDetached(other, *this);
    return *this;
  }
  Reset();
  Access::DeepCopy(other, *this);
  return *this;
}

BindingProperty& BindingProperty::operator=(BindingProperty&& other) noexcept {
  if (this == &other) {
    return *this;
  }
  if (ownsContext_ != 0 && other.ownsContext_ != 0) {
    std::swap(value_, other.value_);
    std::swap(context_, other.context_);
    std::swap(kind_, other.kind_);
    other.Reset();
    return *this;
  }
  if (context_ != nullptr && context_ == other.context_) {
    // One tree: the payload moves over as it is, unless this value lies inside the one
    // being moved, which then takes this value down with it.
    if (IsContainer(other.kind_) && Access::Contains(other, this)) {
      other.Reset();
      return *this;
    }
    Payload payload = other.value_;
    BindingKind kind = other.kind_;
    other.value_.u = 0;
    other.kind_ = BindingKind::Empty;
    Reset();
    value_ = payload;
    kind_ = kind;
    return *this;
  }
  Reset();
  Access::DeepCopy(other, *this);
  other.Reset();
  return *this;
}

void BindingProperty::Assign(BindingProperty&& value) { *this = std::move(value); }

BindingContext& BindingProperty::EnsureContext() {
  if (context_ == nullptr) {
    context_ = BindingContext::Create();
  }
  return *context_;
}

void BindingProperty::Reset() noexcept {
  switch (kind_) {
    case BindingKind::Empty:
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
      break;
    case BindingKind::String:
      context_->Release(Access::Text(*this));
      break;
    case BindingKind::Blob:
      Access::DestroyBlob(*context_, &Access::Blob(*this));
      break;
    case BindingKind::Enum:
      context_->FreeNode(value_.node, sizeof(BindingEnum));
      break;
    case BindingKind::Collection:
    case BindingKind::Structure:
      Access::DestroyTree(*context_, *this);
      break;
  }
  kind_ = BindingKind::Empty;
  value_.u = 0;
}

// --- Setters ---

void BindingProperty::SetBool(bool value) noexcept {
  Reset();
  value_.b = value;
  kind_ = BindingKind::Bool;
}

void BindingProperty::SetSigned(int64_t value) noexcept {
  Reset();
  value_.i = value;
  kind_ = BindingKind::Signed;
}

void BindingProperty::SetUnsigned(uint64_t value) noexcept {
  Reset();
  value_.u = value;
  kind_ = BindingKind::Unsigned;
}

void BindingProperty::SetFloat(double value) noexcept {
  Reset();
  value_.d = value;
  kind_ = BindingKind::Float;
}

void BindingProperty::SetString(std::string_view text) {
  BindingContext& context = EnsureContext();
  // Interned before the reset: `text` may be this value's own text.
  const InternedText* entry = context.Intern(text);
  Reset();
  value_.node = const_cast<InternedText*>(entry);
  kind_ = BindingKind::String;
}

void BindingProperty::SetBlob(std::span<const uint8_t> bytes) {
  BindingContext& context = EnsureContext();
  uint8_t* data = nullptr;
  if (!bytes.empty()) {
    data = static_cast<uint8_t*>(context.AllocateNode(bytes.size()));
    std::memcpy(data, bytes.data(), bytes.size());
  }
  void* node;
  try {
    node = context.AllocateNode(sizeof(BlobNode));
  } catch (...) {
    if (data != nullptr) {
      context.FreeNode(data, bytes.size());
    }
    throw;
  }
  new (node) BlobNode{data, bytes.size(), {}};
  Reset();  // after the copy: `bytes` may be this value's own blob
  value_.node = node;
  kind_ = BindingKind::Blob;
}

void BindingProperty::SetBlob(std::vector<uint8_t>&& bytes) {
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(BlobNode));
  auto* blob = new (node) BlobNode{nullptr, 0, {}};
  if (!bytes.empty()) {
    blob->adopted = std::move(bytes);
    blob->data = blob->adopted.data();
    blob->size = blob->adopted.size();
    context.NoteAdoptedBlob(true);
  }
  Reset();
  value_.node = node;
  kind_ = BindingKind::Blob;
}

void BindingProperty::SetEnum(BindingEnum value) {
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(BindingEnum));
  new (node) BindingEnum(value);
  Reset();
  value_.node = node;
  kind_ = BindingKind::Enum;
}

BindingProperty& BindingProperty::MakeStructure() {
  if (kind_ == BindingKind::Structure) {
    return *this;
  }
  Reset();
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(StructureNode));
  auto* structure = new (node) StructureNode{nullptr, 0, 0, {}};
  structure->context = &context;
  value_.node = node;
  kind_ = BindingKind::Structure;
  return *this;
}

BindingProperty& BindingProperty::MakeCollection() {
  if (kind_ == BindingKind::Collection) {
    return *this;
  }
  Reset();
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(CollectionNode));
  new (node) CollectionNode{nullptr, 0, 0, 0};
  value_.node = node;
  kind_ = BindingKind::Collection;
  return *this;
}

// --- Reads ---

bool BindingProperty::AsBool() const noexcept {
  switch (kind_) {
    case BindingKind::Empty:
      return false;
    case BindingKind::Bool:
      return value_.b;
    case BindingKind::Signed:
    case BindingKind::Unsigned:
      return value_.u != 0;
    case BindingKind::Float:
      return value_.d != 0.0;  // NaN reads true
    case BindingKind::String: {
      std::string_view text = Access::Text(*this)->view();
      return text == "true" || text == "1";
    }
    case BindingKind::Enum:
      return Access::Enum(*this).value != 0;
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return size() != 0;
  }
  return false;
}

namespace {

constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// Truncation toward zero; NaN reads 0 and values beyond the range saturate, where a plain
// conversion would be undefined.
int64_t FloatToSigned(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= kTwoTo63) {
    return std::numeric_limits<int64_t>::max();
  }
  if (value < -kTwoTo63) {
    return std::numeric_limits<int64_t>::min();
  }
  return static_cast<int64_t>(value);
}

// At or above 2^63 by subtracting 2^63 and setting the top bit; a negative value wraps as
// its signed truncation does; NaN reads 0 and values from 2^64 saturate.
uint64_t FloatToUnsigned(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= kTwoTo64) {
    return std::numeric_limits<uint64_t>::max();
  }
  if (value >= kTwoTo63) {
    return static_cast<uint64_t>(static_cast<int64_t>(value - kTwoTo63)) | (uint64_t{1} << 63);
  }
  return static_cast<uint64_t>(FloatToSigned(value));
}

}  // namespace

int64_t BindingProperty::AsSigned(int64_t fallback) const noexcept {
  switch (kind_) {
    case BindingKind::Bool:
      return value_.b ? 1 : 0;
    case BindingKind::Signed:
    case BindingKind::Unsigned:
      return value_.i;
    case BindingKind::Float:
      return FloatToSigned(value_.d);
    case BindingKind::String:
      // Interned texts end with a zero, as strtoll needs.
      return std::strtoll(Access::Text(*this)->data(), nullptr, 0);
    case BindingKind::Enum:
      return Access::Enum(*this).value;
    case BindingKind::Empty:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return fallback;
  }
  return fallback;
}

uint64_t BindingProperty::AsUnsigned(uint64_t fallback) const noexcept {
  switch (kind_) {
    case BindingKind::Bool:
      return value_.b ? 1 : 0;
    case BindingKind::Signed:
    case BindingKind::Unsigned:
      return value_.u;
    case BindingKind::Float:
      return FloatToUnsigned(value_.d);
    case BindingKind::String:
      return std::strtoull(Access::Text(*this)->data(), nullptr, 0);
    case BindingKind::Enum:
      return static_cast<uint64_t>(static_cast<int64_t>(Access::Enum(*this).value));
    case BindingKind::Empty:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return fallback;
  }
  return fallback;
}

std::string BindingProperty::AsText() const {
  switch (kind_) {
    case BindingKind::Empty:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return {};
    case BindingKind::Bool:
      return value_.b ? "true" : "false";
    case BindingKind::Signed:
      return std::to_string(value_.i);
    case BindingKind::Unsigned:
      return std::to_string(value_.u);
    case BindingKind::Float: {
      // "%f" of a large double runs to hundreds of digits: measure first.
      int length = std::snprintf(nullptr, 0, "%f", value_.d);
      if (length <= 0) {
        return {};
      }
      std::string text(static_cast<std::size_t>(length), '\0');
      std::snprintf(text.data(), text.size() + 1, "%f", value_.d);
      return text;
    }
    case BindingKind::String:
      return std::string(Access::Text(*this)->view());
    case BindingKind::Blob: {
      const BlobNode& blob = Access::Blob(*this);
      return Base64Encode(blob.data, blob.size);
    }
    case BindingKind::Enum:
      return std::to_string(Access::Enum(*this).value);
  }
  return {};
}

// --- Structures ---

const BindingProperty& BindingProperty::FieldOrEmpty(std::string_view name) const noexcept {
  if (kind_ != BindingKind::Structure) {
    return kStaticEmpty;
  }
  const BindingField* field = Access::FindField(Access::Structure(*this), name);
  return field != nullptr ? field->value_ : kStaticEmpty;
}

BindingProperty& BindingProperty::MutableField(std::string_view name) {
  MakeStructure();
  StructureNode& node = Access::Structure(*this);
  uint32_t index;
  if (node.size == 0 || CompareNames(node.fields[node.size - 1].name_->view(), name) < 0) {
    index = node.size;  // names arriving in order go to the end without a search
  } else {
    index = Access::LowerBound(node, name);
    if (index < node.size && node.fields[index].name_->view() == name) {
      return node.fields[index].value_;
    }
  }
  if (node.size >= kMaxCollectionElements) {
    throw std::length_error("structure too large");
  }
  const InternedText* entry = context_->Intern(name);
  return Access::InsertField(node, index, entry, context_).value_;
}

bool BindingProperty::RemoveField(std::string_view name) {
  if (kind_ != BindingKind::Structure) {
    return false;
  }
  StructureNode& node = Access::Structure(*this);
  BindingField* field = Access::FindField(node, name);
  if (field == nullptr) {
    return false;
  }
  field->value_.Reset();
  context_->Release(field->name_);
  const std::size_t after = static_cast<std::size_t>(node.fields + node.size - field) - 1;
  std::memmove(static_cast<void*>(field), static_cast<const void*>(field + 1),
               after * sizeof(BindingField));
  --node.size;
  return true;
}

// --- Collections ---

const BindingProperty& BindingProperty::ElementOrEmpty(std::size_t index) const noexcept {
  if (kind_ != BindingKind::Collection) {
    return kStaticEmpty;
  }
  const CollectionNode& node = Access::Collection(*this);
  return index < node.size ? node.items[index] : kStaticEmpty;
}

BindingProperty& BindingProperty::MutableElement(std::size_t index) {
  MakeCollection();
  if (index < Access::Collection(*this).size) {
    return Access::Collection(*this).items[index];
  }
  if (index >= kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  CollectionNode& node = Access::WritableCollection(*this);
  Access::ReserveElements(*context_, node, index + 1);
  for (std::size_t i = node.size; i <= index; ++i) {
    Access::ConstructChild(node.items + i, context_);
  }
  node.size = static_cast<uint32_t>(index + 1);
  return node.items[index];
}

void BindingProperty::Reserve(std::size_t elements) {
  if (elements > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  if (kind_ == BindingKind::Collection && elements > Access::Collection(*this).capacity) {
    Access::ReserveExactElements(*context_, Access::WritableCollection(*this), elements);
  }
}

bool operator==(const BindingProperty& a, const BindingProperty& b) noexcept {
  return &a == &b || Access::Equal(a, b);
}

static_assert(sizeof(void*) != 8 || sizeof(BindingProperty) == 24);
static_assert(sizeof(void*) != 4 || sizeof(BindingProperty) == 16);

}  // namespace Vela
