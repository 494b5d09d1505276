// The framework's replaceable allocation functions. Every allocation of the framework's
// own containers, texts and host records goes through these entry points, so that the
// plugin module can count them; texts handed to the host are made by DuplicateText and
// released with Free.
//
// Each entry point calls the installed table function (passing the table's context word)
// when one is present, and the C runtime otherwise (malloc, free, realloc, strdup,
// malloc_usable_size / _msize).
//
// Start-up: the plugin module registers its preparation with SetAllocationPreparation;
// it runs once, right before the first entry-point call after it was registered, and
// typically installs the counting functions with SetAllocationTable. It runs before any
// entry point (not only Allocate) so that no block is made by one set of functions and
// released through another.
//
//   void* block = Vela::Allocate(64);
//   Vela::Free(block);
//   std::vector<int, Vela::FrameworkAllocator<int>> counted;
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace Vela {

struct AllocationTable {
  void* (*allocate)(std::size_t size, void* context) = nullptr;
  void (*release)(void* block, void* context) = nullptr;  // the "free" word
  void* (*reallocate)(void* block, std::size_t size, void* context) = nullptr;
  char* (*duplicateText)(const char* text, void* context) = nullptr;
  std::size_t (*usableSize)(void* block, void* context) = nullptr;
  void* context = nullptr;
};

// Installs all six words at once (empty words fall back to the C runtime); returns true.
// Install before any concurrent use: the table is only read afterwards.
bool SetAllocationTable(const AllocationTable& table);

// The table currently installed (all empty until something installs one).
AllocationTable CurrentAllocationTable();

// Registers the one-time preparation (nullptr withdraws a pending one). It runs once,
// before the next call of any entry point below, with other threads' calls waiting for it;
// entry-point calls made from inside the preparation do not run it again.
void SetAllocationPreparation(void (*prepare)());

// Returns null when the allocation fails (this layer adds no checks of its own).
void* Allocate(std::size_t size);
// Accepts null (does nothing).
void Free(void* block);
void* Reallocate(void* block, std::size_t size);
// Returns a NUL-terminated copy to be released with Free; null for a null text.
char* DuplicateText(const char* text);
// The size the allocator reports for a block; 0 for null.
std::size_t UsableSize(void* block);

// Standard allocator over Allocate / Free, for the framework's containers.
template <class T>
struct FrameworkAllocator {
  using value_type = T;

  FrameworkAllocator() noexcept = default;
  template <class U>
  FrameworkAllocator(const FrameworkAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    static_assert(alignof(T) <= alignof(std::max_align_t), "the C runtime aligns only to max_align_t");
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
      throw std::bad_array_new_length();
    }
    void* block = Allocate(count * sizeof(T));
    if (block == nullptr) {
      throw std::bad_alloc();
    }
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t) noexcept { Free(block); }

  template <class U>
  bool operator==(const FrameworkAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace Vela
