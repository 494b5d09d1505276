// The plugin's own operator new and delete, every form, over the framework's allocation
// entry points, so that GetMemoryStats counts every block the plugin's code, its standard
// containers and the C++ runtime linked into the library make.
//
// Why this file lives here and not in a subsystem library: the subsystem libraries are
// static and also linked into the unit-test programs and the development host's tools,
// where a replacement would take over the whole program's heap. This file is compiled
// into the plugin's shared library only, and stays local to it: the library exports
// nothing but its entry point (a version script on Linux, dllexport on Windows) and links
// the C++ runtime statically, so every call of operator new inside the library, the
// runtime's own included, binds to these definitions, and the host's allocations never do.
// No block crosses the boundary (texts and values handed to the host are released through
// the plugin's own release entries), so no block is freed by the other side's allocator.
#include <cstddef>
#include <cstdint>
#include <new>

#include "util/allocation.h"

namespace {

// Standard semantics: retry through the new-handler while one is installed, else throw.
void* AllocateOrThrow(std::size_t size) {
  if (size == 0) size = 1;  // every new answers a distinct block
  for (;;) {
    if (void* block = Vela::Allocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

// Over-aligned blocks: the C runtime aligns to max_align_t only, so take enough to align
// inside the block and keep the block's own address in the word before the aligned one.
void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t extra = align + sizeof(void*);
  if (size > SIZE_MAX - extra) throw std::bad_array_new_length();
  void* block = AllocateOrThrow(size + extra);
  const auto start = reinterpret_cast<std::uintptr_t>(block) + sizeof(void*);
  auto* aligned = reinterpret_cast<void**>((start + align - 1) & ~(std::uintptr_t{align} - 1));
  aligned[-1] = block;
  return aligned;
}

void FreeAligned(void* aligned) noexcept {
  if (aligned != nullptr) Vela::Free(static_cast<void**>(aligned)[-1]);
}

template <class Allocation>
void* OrNull(Allocation allocation) noexcept {
  try {
    return allocation();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return OrNull([size] { return AllocateOrThrow(size); });
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return OrNull([size] { return AllocateOrThrow(size); });
}

void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrThrow(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrThrow(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return OrNull([=] { return AllocateAlignedOrThrow(size, alignment); });
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return OrNull([=] { return AllocateAlignedOrThrow(size, alignment); });
}

void operator delete(void* block) noexcept { Vela::Free(block); }
void operator delete[](void* block) noexcept { Vela::Free(block); }
void operator delete(void* block, std::size_t) noexcept { Vela::Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Vela::Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Vela::Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Vela::Free(block); }

void operator delete(void* block, std::align_val_t) noexcept { FreeAligned(block); }
void operator delete[](void* block, std::align_val_t) noexcept { FreeAligned(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { FreeAligned(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { FreeAligned(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { FreeAligned(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { FreeAligned(block); }
