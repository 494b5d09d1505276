// Combining the values of a repeated name, once the whole document is assembled.
//
// A decoder that builds in place writes each value over what its name holds already: a
// scalar (or a container of the other kind) replaces it, a structure merges its fields one
// by one, a collection appends or overlays its elements. Folding a name's values in
// document order gives the same tree, and only the values after the last replacement
// matter. Folding the later values among themselves first would not: {"k":7,"k":[6]}
// merged over {"k":[1]} must give [6], not [1,6]. So the combination runs top down, each
// name's values taken as they arrived, and each value is moved once per level at most.
//
// Pending folds keep their values as unnamed entries on the assembler's stack; a fold's
// entries lie below those of every fold pushed after it, so that when a fold is taken up
// everything above its own entries is finished with.

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "binding/binding_context.h"
#include "binding/internal/binding_nodes.h"
#include "binding/internal/tree_assembler.h"

namespace Vela::detail {

namespace {

bool IsContainer(BindingKind kind) noexcept {
  return kind == BindingKind::Collection || kind == BindingKind::Structure;
}

}  // namespace

void TreeAssembler::MoveValue(BindingProperty& to, BindingProperty& from) noexcept {
  to.value_ = from.value_;
  to.kind_ = from.kind_;
  from.value_.u = 0;
  from.kind_ = BindingKind::Empty;
  from.ownsContext_ = 0;
}

void TreeAssembler::Reserve(std::size_t entries) {
  while (capacity_ - size_ < entries) {
    Grow();
  }
}

void TreeAssembler::AddWaiting(BindingProperty& value) noexcept {
  // A kept value keeps its mark while it waits.
  const uint8_t mark = value.ownsContext_;
  auto* entry = new (entries_ + size_++) Entry();
  entry->value_.context_ = context_;
  MoveValue(entry->value_, value);
  entry->value_.ownsContext_ = mark;
}

void TreeAssembler::CombineRepeats() {
  WorkStack<Combine> work;
  work.push({&root_, size_, 0});
  while (!work.empty()) {
    const Combine item = work.pop();
    if (item.count != 0) {
      size_ = item.first + item.count;  // the entries above belonged to finished folds
      CombineValues(item, work);
      continue;
    }
    BindingProperty& target = *item.target;
    if (target.kind_ == BindingKind::Structure) {
      CombineFields(target, work);
    } else if (target.kind_ == BindingKind::Collection) {
      auto& node = *static_cast<CollectionNode*>(target.value_.node);
      for (uint32_t i = 0; i < node.size; ++i) {
        if (IsContainer(node.items[i].kind_)) {
          work.push({&node.items[i], size_, 0});
        }
      }
    }
  }
  size_ = 0;
}

// A structure whose names repeat (next to each other, in document order) gets one field
// per name: a lone value stays, the values of a repeated name wait to be folded.
void TreeAssembler::CombineFields(BindingProperty& target, WorkStack<Combine>& work) {
  auto& node = *static_cast<StructureNode*>(target.value_.node);
  BindingField* const fields = node.fields;
  const uint32_t size = node.size;
  uint32_t distinct = 0;
  bool kept = false;
  for (uint32_t i = 0; i < size; ++i) {
    distinct += i == 0 || fields[i].name_ != fields[i - 1].name_ ? 1 : 0;
    kept = kept || fields[i].value_.ownsContext_ == kKeepsEarlier;
  }
  if (distinct == size && !kept) {
    for (uint32_t i = 0; i < size; ++i) {
      if (IsContainer(fields[i].value_.kind_)) {
        work.push({&fields[i].value_, size_, 0});
      }
    }
    return;
  }
  // Everything that can throw comes first, while the structure is still as it was.
  Reserve(size);
  work.reserve(work.size() + distinct);
  auto* combined = static_cast<BindingField*>(context_->AllocateNode(distinct * sizeof(BindingField)));
  uint32_t out = 0;
  for (uint32_t i = 0; i < size;) {
    uint32_t end = i + 1;
    while (end < size && fields[end].name_ == fields[i].name_) {
      ++end;
    }
    auto* field = new (combined + out++) BindingField();
    field->name_ = fields[i].name_;
    field->value_.context_ = context_;
    field->value_.ownsContext_ = 0;
    if (end - i == 1) {
      MoveValue(field->value_, fields[i].value_);  // a lone kept value is simply Empty
      if (IsContainer(field->value_.kind_)) {
        work.push({&field->value_, size_, 0});
      }
    } else {
      const std::size_t first = size_;
      for (uint32_t k = i; k < end; ++k) {
        if (k != i) {
          context_->Release(fields[k].name_);
        }
        AddWaiting(fields[k].value_);
      }
      work.push({&field->value_, first, end - i});
    }
    i = end;
  }
  context_->FreeNode(fields, node.capacity * sizeof(BindingField));
  node.fields = combined;
  node.size = distinct;
  node.capacity = distinct;
}

// Folds a name's values (entries `first` on, document order) into `target`, which is
// Empty: the result takes the last value's kind, from the values since the last one that
// replaced rather than combined.
void TreeAssembler::CombineValues(const Combine& group, WorkStack<Combine>& work) {
  auto value = [this, &group](std::size_t i) -> BindingProperty& {
    return entries_[group.first + i].value_;
  };
  auto isKept = [&value](std::size_t i) { return value(i).ownsContext_ == kKeepsEarlier; };
  std::size_t last = group.count;
  while (last != 0 && isKept(last - 1)) {
    --last;
  }
  if (last == 0) {
    return;  // only kept values: the name holds Empty
  }
  --last;
  const BindingKind kind = value(last).kind_;
  std::size_t start = last;
  std::size_t members = 1;
  if (IsContainer(kind)) {
    while (start != 0 && (isKept(start - 1) || value(start - 1).kind_ == kind)) {
      --start;
      members += isKept(start) ? 0 : 1;
    }
  }
  for (std::size_t i = 0; i < start; ++i) {
    value(i).Reset();
    value(i).kind_ = BindingKind::Empty;
  }
  if (members == 1) {
    MoveValue(*group.target, value(last));
  } else if (kind == BindingKind::Structure) {
    MergeStructures(*group.target, group.first + start, last - start + 1);
  } else if (collections_ == RepeatedCollections::Append) {
    AppendCollections(*group.target, group.first + start, last - start + 1);
  } else {
    OverlayCollections({group.target, group.first + start, last - start + 1}, work);
    return;
  }
  if (IsContainer(kind)) {
    work.push({group.target, size_, 0});
  }
}

// The fields of all the structures (entries `first` on; kept values among them are
// skipped), in one structure sorted by name: a name's values stay in document order.
void TreeAssembler::MergeStructures(BindingProperty& target, std::size_t first, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = first; i < first + count; ++i) {
    if (entries_[i].value_.kind_ == BindingKind::Structure) {
      total += static_cast<const StructureNode*>(entries_[i].value_.value_.node)->size;
    }
  }
  if (total > kMaxCollectionElements) {
    throw std::length_error("structure too large");
  }
  // The fields wait as named entries, owned there, while they are sorted.
  Reserve(total);
  const std::size_t base = size_;
  for (std::size_t i = first; i < first + count; ++i) {
    BindingProperty& member = entries_[i].value_;
    if (member.kind_ != BindingKind::Structure) {
      continue;  // a kept value
    }
    auto* node = static_cast<StructureNode*>(member.value_.node);
    for (uint32_t k = 0; k < node->size; ++k) {
      AddWaiting(node->fields[k].value_);
      entries_[size_ - 1].name_ = node->fields[k].name_;
    }
    if (node->fields != nullptr) {
      context_->FreeNode(node->fields, node->capacity * sizeof(BindingField));
    }
    context_->FreeNode(node, sizeof(StructureNode));
    member.kind_ = BindingKind::Empty;
    member.value_.u = 0;
  }
  bool repeats = false;
  const SortKey* order = total > 1 ? SortByName(entries_ + base, total, repeats) : nullptr;
  const NodeWithArray parts = AllocateNodeWithArray<StructureNode>(total * sizeof(BindingField));
  auto* fields = static_cast<BindingField*>(parts.array);
  for (std::size_t i = 0; i < total; ++i) {
    const Entry& waiting = entries_[base + (order == nullptr ? i : order[i].index)];
    std::memcpy(static_cast<void*>(fields + i), static_cast<const void*>(&waiting), sizeof(Entry));
  }
  size_ = base;  // taken over by the new structure
  auto* node = new (parts.node) StructureNode{fields, static_cast<uint32_t>(total),
                                              static_cast<uint32_t>(total), {}};
  node->context = context_;
  target.value_.node = node;
  target.kind_ = BindingKind::Structure;
}

// The elements of all the collections (entries `first` on; kept values among them are
// skipped), one after another.
void TreeAssembler::AppendCollections(BindingProperty& target, std::size_t first,
                                      std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = first; i < first + count; ++i) {
    if (entries_[i].value_.kind_ == BindingKind::Collection) {
      total += static_cast<const CollectionNode*>(entries_[i].value_.value_.node)->size;
    }
  }
  if (total > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  // None for an empty result, which takes the shared empty node.
  const NodeWithArray parts =
      total == 0 ? NodeWithArray{nullptr, nullptr}
                 : AllocateNodeWithArray<CollectionNode>(total * sizeof(BindingProperty));
  void* memory = parts.node;
  auto* items = static_cast<BindingProperty*>(parts.array);
  std::size_t at = 0;
  for (std::size_t i = first; i < first + count; ++i) {
    BindingProperty& member = entries_[i].value_;
    if (member.kind_ != BindingKind::Collection) {
      continue;
    }
    auto* node = static_cast<CollectionNode*>(member.value_.node);
    if (node != SharedEmptyCollection()) {
      std::memcpy(static_cast<void*>(items + at), static_cast<const void*>(node->items),
                  node->size * sizeof(BindingProperty));
      at += node->size;
      if (node->items != nullptr) {
        context_->FreeNode(node->items, node->capacity * sizeof(BindingProperty));
      }
      context_->FreeNode(node, sizeof(CollectionNode));
    }
    member.kind_ = BindingKind::Empty;
    member.value_.u = 0;
  }
  target.value_.node = total == 0 ? SharedEmptyCollection()
                                  : new (memory) CollectionNode{items, static_cast<uint32_t>(total),
                                                                static_cast<uint32_t>(total), 0};
  target.kind_ = BindingKind::Collection;
}

// Element i of the result is the fold of element i of each collection that has one (the
// entries of `group`; no kept values among them: only fields are kept).
void TreeAssembler::OverlayCollections(const Combine& group, WorkStack<Combine>& work) {
  auto member = [this, &group](std::size_t j) -> CollectionNode& {
    return *static_cast<CollectionNode*>(entries_[group.first + j].value_.value_.node);
  };
  std::size_t length = 0;
  for (std::size_t j = 0; j < group.count; ++j) {
    length = std::max<std::size_t>(length, member(j).size);
  }
  // How many collections reach each index, and where the folds' values wait.
  std::vector<std::size_t> reaching(length + 1, 0);
  for (std::size_t j = 0; j < group.count; ++j) {
    ++reaching[member(j).size];
  }
  std::size_t shorter = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    shorter += reaching[i];
    reaching[i] = group.count - shorter;  // collections longer than i
  }
  std::vector<std::size_t> next(length, 0);
  std::size_t waiting = 0;
  for (std::size_t i = 0; i < length; ++i) {
    next[i] = waiting;
    waiting += reaching[i] > 1 ? reaching[i] : 0;
  }
  Reserve(waiting);
  work.reserve(work.size() + length);
  // None for an empty result, which takes the shared empty node.
  const NodeWithArray parts =
      length == 0 ? NodeWithArray{nullptr, nullptr}
                  : AllocateNodeWithArray<CollectionNode>(length * sizeof(BindingProperty));
  void* memory = parts.node;
  auto* items = static_cast<BindingProperty*>(parts.array);
  for (std::size_t i = 0; i < length; ++i) {
    auto* item = new (items + i) BindingProperty();
    item->context_ = context_;
    item->ownsContext_ = 0;
  }
  // From here on nothing throws.
  const std::size_t base = size_;
  for (std::size_t k = 0; k < waiting; ++k) {
    new (entries_ + base + k) Entry();
  }
  size_ = base + waiting;
  for (std::size_t j = 0; j < group.count; ++j) {
    BindingProperty& collection = entries_[group.first + j].value_;
    auto* node = static_cast<CollectionNode*>(collection.value_.node);
    if (node != SharedEmptyCollection()) {
      for (uint32_t i = 0; i < node->size; ++i) {
        if (reaching[i] == 1) {
          MoveValue(items[i], node->items[i]);
        } else {
          BindingProperty& slot = entries_[base + next[i]++].value_;
          slot.context_ = context_;
          slot.ownsContext_ = 0;
          MoveValue(slot, node->items[i]);
        }
      }
      if (node->items != nullptr) {
        context_->FreeNode(node->items, node->capacity * sizeof(BindingProperty));
      }
      context_->FreeNode(node, sizeof(CollectionNode));
    }
    collection.kind_ = BindingKind::Empty;
    collection.value_.u = 0;
  }
  group.target->value_.node =
      length == 0 ? SharedEmptyCollection()
                  : new (memory) CollectionNode{items, static_cast<uint32_t>(length),
                                                static_cast<uint32_t>(length), 0};
  group.target->kind_ = BindingKind::Collection;
  for (std::size_t i = 0; i < length; ++i) {
    if (reaching[i] > 1) {
      // next[i] has moved past index i's values: they start reaching[i] before it.
      work.push({&items[i], base + next[i] - reaching[i], reaching[i]});
    } else if (IsContainer(items[i].kind_)) {
      work.push({&items[i], size_, 0});
    }
  }
}

}  // namespace Vela::detail
