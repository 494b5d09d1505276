#include "new_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace Vela::Bench {
namespace {

std::atomic<int64_t> news{0};
std::atomic<int64_t> deletes{0};

void* CountedNew(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  news.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void CountedDelete(void* block) noexcept {
  if (block == nullptr) return;
  deletes.fetch_add(1, std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

NewCounts ReadNewCounts() {
  return {news.load(std::memory_order_relaxed), deletes.load(std::memory_order_relaxed)};
}

}  // namespace Vela::Bench

// Aligned forms are left to the runtime: nothing on these paths over-aligns.
void* operator new(std::size_t size) { return Vela::Bench::CountedNew(size); }
void* operator new[](std::size_t size) { return Vela::Bench::CountedNew(size); }
void operator delete(void* block) noexcept { Vela::Bench::CountedDelete(block); }
void operator delete[](void* block) noexcept { Vela::Bench::CountedDelete(block); }
void operator delete(void* block, std::size_t) noexcept { Vela::Bench::CountedDelete(block); }
void operator delete[](void* block, std::size_t) noexcept { Vela::Bench::CountedDelete(block); }
