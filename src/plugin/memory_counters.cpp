#include "plugin/memory_counters.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/usable_size.h"
#include "util/allocation.h"

namespace Vela {
namespace {

struct Counters {
  std::atomic<uint64_t> peakBytesInUse{0};
  std::atomic<uint64_t> liveAllocationsAtPeak{0};
  std::atomic<uint64_t> bytesAllocated{0};
  std::atomic<uint64_t> allocations{0};
  std::atomic<uint64_t> bytesFreed{0};
  std::atomic<uint64_t> frees{0};
  std::atomic<bool> installed{false};
};

// Constant-initialised, so it is usable before any dynamic initialiser runs (allocations
// made by other initialisers are counted too).
constinit Counters gCounters;

uint64_t SizeOf(void* block) {
  return block == nullptr ? 0 : static_cast<uint64_t>(Platform::UsableBlockSize(block));
}

// After every allocation: a new high of bytes in use records itself and the live count.
// The exchange loop keeps the higher of two racing peaks (a plain store could lower it).
void UpdatePeak() {
  const uint64_t inUse = gCounters.bytesAllocated.load() - gCounters.bytesFreed.load();
  uint64_t peak = gCounters.peakBytesInUse.load();
  while (inUse > peak) {
    if (gCounters.peakBytesInUse.compare_exchange_weak(peak, inUse)) {
      gCounters.liveAllocationsAtPeak.store(gCounters.allocations.load() - gCounters.frees.load());
      return;
    }
  }
}

void CountAllocated(void* block) {
  gCounters.bytesAllocated.fetch_add(SizeOf(block));
  gCounters.allocations.fetch_add(1);  // a failed allocation counts too, with size 0
}

void CountFreed(void* block) {
  if (block == nullptr) return;
  gCounters.bytesFreed.fetch_add(SizeOf(block));
  gCounters.frees.fetch_add(1);
}

void* CountingAllocate(std::size_t size, void*) {
  void* block = std::malloc(size);
  CountAllocated(block);
  UpdatePeak();
  return block;
}

void CountingFree(void* block, void*) {
  CountFreed(block);
  std::free(block);
}

void* CountingReallocate(void* block, std::size_t size, void*) {
  const uint64_t oldSize = SizeOf(block);
  void* moved = std::realloc(block, size);
  if (block != nullptr && (moved != nullptr || size == 0)) {
    // The old block is gone: count it as freed with the size it had.
    gCounters.bytesFreed.fetch_add(oldSize);
    gCounters.frees.fetch_add(1);
  }
  if (moved != nullptr || block == nullptr || size != 0) {
    CountAllocated(moved);
  }
  UpdatePeak();
  return moved;
}

char* CountingDuplicateText(const char* text, void*) {
  if (text == nullptr) return nullptr;
  const std::size_t length = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(length));
  if (copy != nullptr) std::memcpy(copy, text, length);
  CountAllocated(copy);
  UpdatePeak();
  return copy;
}

std::size_t CountingUsableSize(void* block, void*) {
  return block == nullptr ? 0 : Platform::UsableBlockSize(block);
}

void InstallCountingFunctions() {
  AllocationTable table;
  table.allocate = CountingAllocate;
  table.release = CountingFree;
  table.reallocate = CountingReallocate;
  table.duplicateText = CountingDuplicateText;
  table.usableSize = CountingUsableSize;
  (void)SetAllocationTable(table);
  gCounters.installed.store(true);
}

// Registered at process start; the allocation layer runs it before its first use, so no
// block is made by one set of functions and released through the other. It is registered
// before every other initialiser (101 is the first priority left to programs): a block
// that an earlier initialiser made uncounted and that is freed later would be counted as
// freed and drive bytes in use below zero.
struct PreparationRegistration {
  PreparationRegistration() { SetAllocationPreparation(InstallCountingFunctions); }
};
[[gnu::init_priority(101)]] const PreparationRegistration gPreparationRegistration;

}  // namespace

MemoryCounters ReadMemoryCounters() {
  MemoryCounters counters;
  counters.peakBytesInUse = gCounters.peakBytesInUse.load();
  counters.liveAllocationsAtPeak = gCounters.liveAllocationsAtPeak.load();
  counters.bytesAllocated = gCounters.bytesAllocated.load();
  counters.allocations = gCounters.allocations.load();
  counters.bytesFreed = gCounters.bytesFreed.load();
  counters.frees = gCounters.frees.load();
  return counters;
}

void WriteMemoryStats(const MemoryCounters& counters, uint32_t out[kMemoryStatsWords]) {
  const uint64_t values[6] = {counters.peakBytesInUse, counters.liveAllocationsAtPeak,
                              counters.bytesAllocated, counters.allocations,
                              counters.bytesFreed,     counters.frees};
  for (int i = 0; i < 6; ++i) {
    out[2 * i] = static_cast<uint32_t>(values[i]);
    out[2 * i + 1] = static_cast<uint32_t>(values[i] >> 32);
  }
  out[12] = 0;
  out[13] = 0;
}

bool MemoryCountingInstalled() {
  return gCounters.installed.load();
}

}  // namespace Vela
