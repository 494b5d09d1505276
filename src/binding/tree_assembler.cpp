#include "binding/internal/tree_assembler.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "binding/binding_context.h"
#include "util/allocation.h"
#include "util/byte_swap.h"

namespace Vela::detail {

namespace {

// Structures this small are sorted by insertion; larger ones by a merge sort whose first
// runs are this long, sorted by insertion.
constexpr std::size_t kInsertionSortLimit = 24;
constexpr std::size_t kMergeRun = 16;

template <class T>
T ToBigEndian(T value) noexcept {
  if constexpr (std::endian::native == std::endian::big) {
    return value;
  } else if constexpr (sizeof(T) == 4) {
    return ByteSwap32(value);
  } else {
    return ByteSwap64(value);
  }
}

uint64_t BigEndianPrefix(const InternedText* name) noexcept {
  const auto* bytes = reinterpret_cast<const unsigned char*>(name->data());
  const uint32_t length = name->length;
  uint64_t prefix;
  if (length >= 8) {
    std::memcpy(&prefix, bytes, 8);
    return ToBigEndian(prefix);
  }
  if (length >= 4) {
    // Two overlapping big-endian halves: the last four bytes end at byte `length`.
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, bytes, 4);
    std::memcpy(&tail, bytes + length - 4, 4);
    return (uint64_t{ToBigEndian(head)} << 32) |
           (uint64_t{ToBigEndian(tail)} << (64 - 8 * length));
  }
  if (length == 0) {
    return 0;
  }
  return (uint64_t{bytes[0]} << 56) | (uint64_t{bytes[length / 2]} << (56 - 8 * (length / 2))) |
         (uint64_t{bytes[length - 1]} << (64 - 8 * length));
}

// Unsigned byte-wise order, decided by the prefixes unless they are equal.
template <class Key>
bool KeyBefore(const Key& a, const Key& b) noexcept {
  if (a.prefix != b.prefix) {
    return a.prefix < b.prefix;
  }
  return a.name != b.name && CompareNames(a.name->view(), b.name->view()) < 0;
}

// A cheap mix of a text's length and its first and last bytes.
std::size_t RecentSlot(std::string_view text, std::size_t slots) noexcept {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t length = text.size();
  uint64_t head;
  uint64_t tail;
  if (length >= 8) {
    std::memcpy(&head, bytes, 8);
    std::memcpy(&tail, bytes + length - 8, 8);
  } else if (length >= 4) {
    uint32_t first;
    uint32_t last;
    std::memcpy(&first, bytes, 4);
    std::memcpy(&last, bytes + length - 4, 4);
    head = first;
    tail = last;
  } else {
    head = bytes[0] | (uint64_t{bytes[length / 2]} << 8) | (uint64_t{bytes[length - 1]} << 16);
    tail = 0;
  }
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  const uint64_t mixed = (head ^ (tail * kMultiplier) ^ length) * kMultiplier;
  return static_cast<std::size_t>(mixed >> 32) & (slots - 1);
}

// The shape slot of `count` fields by their number and their first and last names.
std::size_t ShapeSlot(const InternedText* firstName, const InternedText* lastName,
                      std::size_t count, std::size_t slots) noexcept {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  const auto head = static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(firstName));
  const auto tail = static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(lastName));
  const uint64_t mixed = ((head >> 3) ^ ((tail >> 3) * kMultiplier) ^ count) * kMultiplier;
  return static_cast<std::size_t>(mixed >> 40) & (slots - 1);
}

// Sorts keys[0, count) by insertion; equal names stay in arrival order (a key moves only
// past greater ones).
template <class Key>
void InsertionSort(Key* keys, std::size_t count) noexcept {
  for (std::size_t i = 1; i < count; ++i) {
    const Key key = keys[i];
    std::size_t j = i;
    while (j != 0 && KeyBefore(key, keys[j - 1])) {
      keys[j] = keys[j - 1];
      --j;
    }
    keys[j] = key;
  }
}

// Merges the sorted runs [left, middle) and [middle, end) into `out`; on a tie the left
// run's key goes first, which keeps the sort stable.
template <class Key>
void Merge(const Key* left, const Key* middle, const Key* end, Key* out) noexcept {
  const Key* right = middle;
  while (left != middle && right != end) {
    *out++ = KeyBefore(*right, *left) ? *right++ : *left++;
  }
  while (left != middle) *out++ = *left++;
  while (right != end) *out++ = *right++;
}

// A stable bottom-up merge sort of keys[0, count) that uses scratch[0, count) as its second
// buffer; returns the buffer that holds the result.
template <class Key>
Key* MergeSort(Key* keys, Key* scratch, std::size_t count) noexcept {
  for (std::size_t start = 0; start < count; start += kMergeRun) {
    InsertionSort(keys + start, std::min(kMergeRun, count - start));
  }
  Key* from = keys;
  Key* to = scratch;
  for (std::size_t width = kMergeRun; width < count; width *= 2) {
    for (std::size_t start = 0; start < count; start += 2 * width) {
      const std::size_t middle = std::min(start + width, count);
      const std::size_t end = std::min(start + 2 * width, count);
      Merge(from + start, from + middle, from + end, to + start);
    }
    std::swap(from, to);
  }
  return from;
}

}  // namespace

const InternedText* TreeAssembler::Intern(std::string_view text) {
  BindingContext& context = Context();
  if (text.empty()) {
    return BindingContext::EmptyText();
  }
  const InternedText*& recent = recent_[RecentSlot(text, kRecentTexts)];
  if (recent != nullptr && recent->length == text.size() &&
      std::memcmp(recent->data(), text.data(), text.size()) == 0) {
    context.AddReference(recent);
    return recent;
  }
  recent = context.Intern(text);
  return recent;
}

void TreeAssembler::Release(const InternedText* text) noexcept {
  std::memset(recent_, 0, sizeof recent_);
  context_->Release(text);
}

bool TreeAssembler::SameNames(const Shape& shape, const Entry* first, std::size_t count) noexcept {
  if (shape.count != count) {
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (shape.names[i] != first[i].name_) {
      return false;
    }
  }
  return true;
}

void TreeAssembler::ForgetShape(Shape& shape) noexcept {
  for (uint32_t i = 0; i < shape.count; ++i) {
    // Only a name no value holds any more is freed; the recent texts must not keep it.
    if (shape.names[i]->references == 1) {
      Release(shape.names[i]);
    } else {
      context_->Release(shape.names[i]);
    }
  }
  shape.count = 0;
}

void TreeAssembler::RememberShape(Shape& shape, const Entry* first, const SortKey* keys,
                                  std::size_t count) {
  ForgetShape(shape);
  if (shape.capacity < count) {
    const std::size_t capacity = (count + 7) & ~std::size_t{7};
    auto* block = static_cast<const InternedText**>(
        Allocate(capacity * (sizeof(const InternedText*) + sizeof(uint32_t))));
    if (block == nullptr) {
      return;  // only a cache: the structure is sorted already
    }
    Free(shape.names);
    shape.names = block;
    shape.capacity = static_cast<uint32_t>(capacity);
  }
  uint32_t* order = shape.order();
  for (std::size_t i = 0; i < count; ++i) {
    shape.names[i] = first[i].name_;
    context_->AddReference(first[i].name_);
    order[i] = static_cast<uint32_t>(keys[i].index);
  }
  shape.count = static_cast<uint32_t>(count);
}

void TreeAssembler::ReleaseMoved(const Open& open) noexcept {
  if (open.block != nullptr) {
    for (std::size_t i = 0; i < open.inBlock; ++i) {
      open.block[i].Reset();
    }
    context_->FreeNode(open.block, open.blockCapacity * sizeof(BindingProperty));
  }
  for (Chunk* chunk = open.chunks; chunk != nullptr;) {
    Chunk* previous = chunk->previous;
    for (BindingProperty& item : chunk->items) {
      item.Reset();
    }
    Free(chunk);
    chunk = previous;
  }
}

TreeAssembler::~TreeAssembler() {
  if (context_ != nullptr) {
    ReleaseMoved(innermost_);
    while (!open_.empty()) {
      ReleaseMoved(open_.pop());
    }
    for (std::size_t i = 0; i < size_; ++i) {
      entries_[i].value_.Reset();
      if (entries_[i].name_ != nullptr) {
        context_->Release(entries_[i].name_);
      }
    }
    if (pendingName_ != nullptr) {
      context_->Release(pendingName_);
    }
  }
  for (Shape& shape : shapes_) {
    // No look-up follows: the recent texts need no clearing.
    for (uint32_t i = 0; i < shape.count; ++i) {
      context_->Release(shape.names[i]);
    }
    Free(shape.names);
  }
  Free(entries_);
  Free(sortKeys_);
}

BindingContext& TreeAssembler::Context() {
  if (context_ == nullptr) {
    context_ = &root_.EnsureContext();
  }
  return *context_;
}

void TreeAssembler::Grow() {
  constexpr std::size_t kLargest = std::numeric_limits<std::size_t>::max() / 2 / sizeof(Entry);
  if (capacity_ > kLargest) {
    throw std::bad_alloc();
  }
  const std::size_t capacity = capacity_ == 0 ? 64 : capacity_ * 2;
  auto* entries = static_cast<Entry*>(Reallocate(entries_, capacity * sizeof(Entry)));
  if (entries == nullptr) {
    throw std::bad_alloc();
  }
  entries_ = entries;
  capacity_ = capacity;
}

// A new Empty entry on top, named by the pending key (inside a Structure) or unnamed.
TreeAssembler::Entry& TreeAssembler::NewEntry() {
  if (innermost_.kind == BindingKind::Collection &&
      size_ - innermost_.start - 1 >= kElementsOnStack) {
    MoveElements();
  }
  if (size_ == capacity_) {
    Grow();
  }
  auto* entry = new (entries_ + size_++) Entry();
  entry->name_ = pendingName_;
  pendingName_ = nullptr;
  entry->value_.context_ = context_;
  entry->value_.ownsContext_ = 0;
  return *entry;
}

void TreeAssembler::PushScalar(uint64_t bits, BindingKind kind) {
  Entry& entry = NewEntry();
  entry.value_.value_.u = bits;
  entry.value_.kind_ = kind;
}

void TreeAssembler::PushFloat(double value) {
  Entry& entry = NewEntry();
  entry.value_.value_.d = value;
  entry.value_.kind_ = BindingKind::Float;
}

void TreeAssembler::PushString(std::string_view text) {
  const InternedText* interned = Intern(text);
  Entry* entry;
  try {
    entry = &NewEntry();
  } catch (...) {
    Release(interned);
    throw;
  }
  entry->value_.value_.node = const_cast<InternedText*>(interned);
  entry->value_.kind_ = BindingKind::String;
}

void TreeAssembler::PushBlob(std::span<const uint8_t> bytes) {
  Context();
  NewEntry().value_.SetBlob(bytes);
}

void TreeAssembler::PushCopy(const BindingProperty& value) {
  Context();
  NewEntry().value_ = value;
}

void TreeAssembler::PushKeep() {
  Context();
  NewEntry().value_.ownsContext_ = kKeepsEarlier;
  repeats_ = true;
}

void TreeAssembler::PushKey(std::string_view name) {
  const InternedText* interned = Intern(name);
  if (pendingName_ != nullptr) {
    Release(pendingName_);
  }
  pendingName_ = interned;
}

// The container's own entry waits Empty below its children until it closes.
void TreeAssembler::Begin(BindingKind kind) {
  Context();
  NewEntry();  // may move the parent's elements off the stack first
  const std::size_t start = size_ - 1;
  if (innermost_.kind != BindingKind::Empty) {
    open_.push(innermost_);
  }
  innermost_ = {start, kind};
}

std::size_t TreeAssembler::BeginCollection(std::size_t expected) {
  Begin(BindingKind::Collection);
  if (expected <= kElementsOnStack) {
    return 0;
  }
  const std::size_t capacity = std::min(expected, kMaxCollectionElements);
  innermost_.block =
      static_cast<BindingProperty*>(context_->AllocateNode(capacity * sizeof(BindingProperty)));
  innermost_.blockCapacity = capacity;
  return capacity;
}

void TreeAssembler::MoveElements() {
  Open& open = innermost_;
  if (open.moved + kElementsOnStack > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  const Entry* children = entries_ + open.start + 1;
  if (open.chunks == nullptr && open.inBlock + kElementsOnStack <= open.blockCapacity) {
    for (std::size_t i = 0; i < kElementsOnStack; ++i) {
      std::memcpy(static_cast<void*>(open.block + open.inBlock + i),
                  static_cast<const void*>(&children[i].value_), sizeof(BindingProperty));
    }
    open.inBlock += kElementsOnStack;
    open.moved += kElementsOnStack;
    size_ = open.start + 1;
    return;
  }
  auto* chunk = static_cast<Chunk*>(Allocate(sizeof(Chunk)));
  if (chunk == nullptr) {
    throw std::bad_alloc();
  }
  chunk->previous = open.chunks;
  for (std::size_t i = 0; i < kElementsOnStack; ++i) {
    // Taken over as they are (a BindingProperty is trivially relocatable).
    std::memcpy(static_cast<void*>(&chunk->items[i]), static_cast<const void*>(&children[i].value_),
                sizeof(BindingProperty));
  }
  open.chunks = chunk;
  open.moved += kElementsOnStack;
  size_ = open.start + 1;
}

void TreeAssembler::Close() noexcept {
  size_ = innermost_.start + 1;
  innermost_ = open_.empty() ? Open{0, BindingKind::Empty} : open_.pop();
}

void TreeAssembler::EndCollection() {
  Open& open = innermost_;
  const std::size_t waiting = size_ - open.start - 1;
  const std::size_t count = open.moved + waiting;
  if (count > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  BindingProperty& container = entries_[open.start].value_;
  if (count == 0) {
    if (open.block != nullptr) {
      context_->FreeNode(open.block, open.blockCapacity * sizeof(BindingProperty));
      open.block = nullptr;
    }
    container.value_.node = SharedEmptyCollection();
    container.kind_ = BindingKind::Collection;
    Close();
    return;
  }
  BindingContext& context = *context_;
  void* memory;
  BindingProperty* items;
  std::size_t capacity = count;
  if (open.block != nullptr && open.chunks == nullptr && count <= open.blockCapacity) {
    // The reserved block holds them all. A claim far beyond what came (the input ended
    // inside the array) gives its room back rather than keep it in the tree. The block
    // stays the open container's until the node is had, so a throw leaks neither.
    if (open.blockCapacity / 2 > count) {
      open.block = static_cast<BindingProperty*>(
          context.ResizeNode(open.block, open.blockCapacity * sizeof(BindingProperty),
                             count * sizeof(BindingProperty)));
      open.blockCapacity = count;
    }
    memory = context.AllocateNode(sizeof(CollectionNode));
    items = open.block;
    capacity = open.blockCapacity;
  } else {
    const NodeWithArray parts =
        AllocateNodeWithArray<CollectionNode>(count * sizeof(BindingProperty));
    memory = parts.node;
    items = static_cast<BindingProperty*>(parts.array);
    if (open.block != nullptr) {
      std::memcpy(static_cast<void*>(items), static_cast<const void*>(open.block),
                  open.inBlock * sizeof(BindingProperty));
      context.FreeNode(open.block, open.blockCapacity * sizeof(BindingProperty));
    }
  }
  open.block = nullptr;
  // The chunks hold the elements after the block's, the latest chunk the last of them.
  std::size_t end = open.moved;
  while (open.chunks != nullptr) {
    Chunk* chunk = open.chunks;
    end -= kElementsOnStack;
    std::memcpy(static_cast<void*>(items + end), static_cast<const void*>(chunk->items),
                sizeof chunk->items);
    open.chunks = chunk->previous;
    Free(chunk);
  }
  const Entry* children = entries_ + open.start + 1;
  for (std::size_t i = 0; i < waiting; ++i) {
    // Taken over as they are: the children are values of this context already.
    std::memcpy(static_cast<void*>(items + open.moved + i),
                static_cast<const void*>(&children[i].value_), sizeof(BindingProperty));
  }
  container.value_.node = new (memory) CollectionNode{items, static_cast<uint32_t>(count),
                                                      static_cast<uint32_t>(capacity), 0};
  container.kind_ = BindingKind::Collection;
  Close();
}

const TreeAssembler::SortKey* TreeAssembler::SortByName(const Entry* first, std::size_t count,
                                                        bool& repeats) {
  // A large structure's merge sort needs a second buffer of the same size.
  const std::size_t needed = count <= kInsertionSortLimit ? count : 2 * count;
  if (needed > sortCapacity_) {
    if (needed > std::numeric_limits<std::size_t>::max() / 2 / sizeof(SortKey)) {
      throw std::bad_alloc();
    }
    const std::size_t capacity = std::max<std::size_t>(needed, 2 * sortCapacity_);
    auto* keys = static_cast<SortKey*>(Allocate(capacity * sizeof(SortKey)));
    if (keys == nullptr) {
      throw std::bad_alloc();
    }
    Free(sortKeys_);
    sortKeys_ = keys;
    sortCapacity_ = capacity;
  }
  SortKey* keys = sortKeys_;
  Shape* shape = nullptr;
  bool remembered = false;
  if (count >= kMinShapeFields && count <= kMaxShapeFields) {
    // Two places a shape may be in; a new one replaces the one used less recently.
    Shape* pair = &shapes_[ShapeSlot(first[0].name_, first[count - 1].name_, count, kShapes) & ~std::size_t{1}];
    ++shapeClock_;
    if (SameNames(pair[0], first, count)) {
      shape = &pair[0];
      remembered = true;
    } else if (SameNames(pair[1], first, count)) {
      shape = &pair[1];
      remembered = true;
    } else {
      shape = pair[0].lastUse <= pair[1].lastUse ? &pair[0] : &pair[1];
    }
    shape->lastUse = shapeClock_;
  }
  if (remembered) {
    const uint32_t* order = shape->order();
    for (std::size_t i = 0; i < count; ++i) {
      keys[i] = {0, first[order[i]].name_, order[i]};
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      keys[i] = {BigEndianPrefix(first[i].name_), first[i].name_, i};
    }
    if (count <= kInsertionSortLimit) {
      InsertionSort(keys, count);
    } else {
      keys = MergeSort(keys, keys + count, count);
    }
    if (shape != nullptr) {
      RememberShape(*shape, first, keys, count);
    }
  }
  // Names of one context are interned once: equal names are one entry.
  for (std::size_t i = 1; i < count; ++i) {
    if (keys[i].name == keys[i - 1].name) {
      repeats = true;
      break;
    }
  }
  return keys;
}

void TreeAssembler::EndStructure() {
  const Open open = innermost_;
  const std::size_t count = size_ - open.start - 1;
  if (count > kMaxCollectionElements) {
    throw std::length_error("structure too large");
  }
  Entry* children = entries_ + open.start + 1;
  // Repeated names stay, side by side in document order, until Finish combines them.
  const SortKey* order = count > 1 ? SortByName(children, count, repeats_) : nullptr;
  BindingContext& context = *context_;
  const NodeWithArray parts =
      count == 0 ? NodeWithArray{context.AllocateNode(sizeof(StructureNode)), nullptr}
                 : AllocateNodeWithArray<StructureNode>(count * sizeof(BindingField));
  auto* fields = static_cast<BindingField*>(parts.array);
  for (std::size_t i = 0; i < count; ++i) {
    const Entry& child = children[order == nullptr ? i : order[i].index];
    std::memcpy(static_cast<void*>(fields + i), static_cast<const void*>(&child), sizeof(Entry));
  }
  auto* node = new (parts.node) StructureNode{fields, static_cast<uint32_t>(count),
                                              static_cast<uint32_t>(count), {}};
  node->context = &context;
  BindingProperty& container = entries_[open.start].value_;
  container.value_.node = node;
  container.kind_ = BindingKind::Structure;
  Close();
}

void TreeAssembler::Finish() {
  if (size_ == 0) {
    return;
  }
  Entry& entry = entries_[--size_];
  root_.value_ = entry.value_.value_;
  root_.kind_ = entry.value_.kind_;
  if (repeats_) {
    CombineRepeats();
  }
}

}  // namespace Vela::detail
