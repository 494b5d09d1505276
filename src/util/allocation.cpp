#include "util/allocation.h"
#include "util/c_allocation.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/usable_size.h"

namespace Vela {
namespace {

AllocationTable g_table;

// The preparation waiting to run; null once it has run (or when none is registered).
std::atomic<void (*)()> g_pendingPreparation{nullptr};
std::mutex g_preparationMutex;
// Set on the thread running the preparation, whose own allocations must not wait for it.
thread_local bool t_preparing = false;

void RunPendingPreparation() {
  if (g_pendingPreparation.load(std::memory_order_acquire) == nullptr || t_preparing) {
    return;
  }
  std::lock_guard<std::mutex> guard(g_preparationMutex);
  void (*prepare)() = g_pendingPreparation.load(std::memory_order_acquire);
  if (prepare == nullptr) {
    return;  // another thread ran it while this one waited
  }
  t_preparing = true;
  prepare();
  t_preparing = false;
  g_pendingPreparation.store(nullptr, std::memory_order_release);
}

char* RuntimeDuplicate(const char* text) {
  // strdup is not standard C++ (and _strdup on Windows): the same thing, spelled out.
  const std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(std::malloc(size));
  if (copy != nullptr) {
    std::memcpy(copy, text, size);
  }
  return copy;
}

}  // namespace

bool SetAllocationTable(const AllocationTable& table) {
  g_table = table;
  return true;
}

AllocationTable CurrentAllocationTable() { return g_table; }

void SetAllocationPreparation(void (*prepare)()) {
  std::lock_guard<std::mutex> guard(g_preparationMutex);
  g_pendingPreparation.store(prepare, std::memory_order_release);
}

void* Allocate(std::size_t size) {
  RunPendingPreparation();
  return g_table.allocate != nullptr ? g_table.allocate(size, g_table.context) : std::malloc(size);
}

void Free(void* block) {
  RunPendingPreparation();
  if (g_table.release != nullptr) {
    g_table.release(block, g_table.context);
  } else {
    std::free(block);
  }
}

void* Reallocate(void* block, std::size_t size) {
  RunPendingPreparation();
  return g_table.reallocate != nullptr ? g_table.reallocate(block, size, g_table.context)
                                       : std::realloc(block, size);
}

char* DuplicateText(const char* text) {
  if (text == nullptr) {
    return nullptr;
  }
  RunPendingPreparation();
  return g_table.duplicateText != nullptr ? g_table.duplicateText(text, g_table.context)
                                          : RuntimeDuplicate(text);
}

std::size_t UsableSize(void* block) {
  if (block == nullptr) {
    return 0;
  }
  RunPendingPreparation();
  return g_table.usableSize != nullptr ? g_table.usableSize(block, g_table.context)
                                       : Platform::UsableBlockSize(block);
}

}  // namespace Vela

extern "C" void* vela_allocate(size_t size) { return Vela::Allocate(size); }
extern "C" void vela_free(void* block) { Vela::Free(block); }
extern "C" void* vela_reallocate(void* block, size_t size) { return Vela::Reallocate(block, size); }
extern "C" char* vela_duplicate_text(const char* text) { return Vela::DuplicateText(text); }
