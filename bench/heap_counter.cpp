#include "heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/usable_size.h"
#include "util/allocation.h"

namespace Vela::Bench {
namespace {

std::atomic<int64_t> heapBytes{0};
std::atomic<int64_t> peakBytes{0};
std::atomic<bool> counting{false};

void Add(int64_t bytes) {
  const int64_t now = heapBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  int64_t peak = peakBytes.load(std::memory_order_relaxed);
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

int64_t UsableBytes(void* block) {
  return static_cast<int64_t>(Platform::UsableBlockSize(block));
}

}  // namespace

int64_t HeapBytesInUse() { return heapBytes.load(std::memory_order_relaxed); }
int64_t PeakHeapBytes() { return peakBytes.load(std::memory_order_relaxed); }
void ResetPeakHeapBytes() { peakBytes.store(HeapBytesInUse(), std::memory_order_relaxed); }

CountingScope::CountingScope() { counting.store(true); }
CountingScope::~CountingScope() { counting.store(false); }

void* CountedMalloc(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr && counting.load(std::memory_order_relaxed)) {
    Add(UsableBytes(block));
  }
  return block;
}

void CountedFree(void* block) {
  if (block == nullptr) return;
  if (counting.load(std::memory_order_relaxed)) {
    heapBytes.fetch_sub(UsableBytes(block), std::memory_order_relaxed);
  }
  std::free(block);
}

void* CountedRealloc(void* block, std::size_t size) {
  if (!counting.load(std::memory_order_relaxed)) return std::realloc(block, size == 0 ? 1 : size);
  const int64_t before = block == nullptr ? 0 : UsableBytes(block);
  void* grown = std::realloc(block, size == 0 ? 1 : size);
  if (grown == block) {
    Add(UsableBytes(grown) - before);
  } else if (grown != nullptr) {
    // A block that moves exists twice for a moment: the peak counts both.
    Add(UsableBytes(grown));
    heapBytes.fetch_sub(before, std::memory_order_relaxed);
  }
  return grown;
}

void InstallCountingAllocation() {
  static const bool installed = [] {
    AllocationTable table;
    table.allocate = [](std::size_t size, void*) { return CountedMalloc(size); };
    table.release = [](void* block, void*) { CountedFree(block); };
    table.reallocate = [](void* block, std::size_t size, void*) { return CountedRealloc(block, size); };
    table.duplicateText = [](const char* text, void*) -> char* {
      if (text == nullptr) return nullptr;
      const std::size_t bytes = std::strlen(text) + 1;
      auto* copy = static_cast<char*>(CountedMalloc(bytes));
      if (copy != nullptr) std::memcpy(copy, text, bytes);
      return copy;
    };
    table.usableSize = [](void* block, void*) {
      return block == nullptr ? std::size_t{0} : Platform::UsableBlockSize(block);
    };
    return SetAllocationTable(table);
  }();
  (void)installed;
}

}  // namespace Vela::Bench

// Standard containers are counted too.
void* operator new(std::size_t size) {
  if (void* block = Vela::Bench::CountedMalloc(size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { Vela::Bench::CountedFree(block); }
void operator delete(void* block, std::size_t) noexcept { Vela::Bench::CountedFree(block); }
