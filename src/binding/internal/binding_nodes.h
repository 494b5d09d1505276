// The nodes behind a BindingProperty's payload pointer for Blob, Collection and Structure.
// Only the value model's own files use them: binding_property.h for its inline accessors,
// the tree algorithms and the bottom-up builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace Vela {

class BindingContext;
class BindingField;
class BindingProperty;

namespace detail {

// The node of a Collection: its elements, stored in place one after another.
struct CollectionNode {
  BindingProperty* items;
  uint32_t size;
  uint32_t capacity;
  // Chains nodes waiting for destruction, so that tearing a tree down needs no memory.
  std::uintptr_t pendingLink;
};

// The node that every empty Collection built in one go shares (parsed documents hold
// many "[]"): never written, never freed. A value that gets elements is given a node of
// its own first.
CollectionNode* SharedEmptyCollection() noexcept;

// The node of a Structure: its fields in name order.
struct StructureNode {
  BindingField* fields;
  uint32_t size;
  uint32_t capacity;
  union {
    BindingContext* context;     // back reference while the node lives
    std::uintptr_t pendingLink;  // while it waits for destruction
  };
};

// The node of a Blob. `data` either is a node of the context or, for a vector taken over
// without copying, the vector's own storage.
struct BlobNode {
  uint8_t* data;
  std::size_t size;
  std::vector<uint8_t> adopted;

  // Only a non-empty vector is ever taken over.
  bool OwnsBlock() const noexcept { return data != nullptr && adopted.empty(); }
};

// Unsigned byte-wise order of names: "B" < "a" < "ab" < "b".
inline int CompareNames(std::string_view a, std::string_view b) noexcept {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  if (common != 0) {
    int order = std::memcmp(a.data(), b.data(), common);
    if (order != 0) {
      return order;
    }
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace detail
}  // namespace Vela
