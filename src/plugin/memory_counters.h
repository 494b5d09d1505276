// The plugin's memory accounting: every allocation of the plugin goes through four counting
// functions (allocate, free, reallocate, duplicate text) that are installed as the
// framework's allocation table at process start, before the first allocation, so the
// counters cover the whole life of the process, not only that of a module.
//
//   MemoryCounters counters = ReadMemoryCounters();
//   uint64_t inUse = counters.bytesAllocated - counters.bytesFreed;
#pragma once

#include <cstdint>

namespace Vela {

// The six counters, in the order GetMemoryStats reports them. A block counts with the size
// the C runtime reports for it.
struct MemoryCounters {
  uint64_t peakBytesInUse = 0;
  uint64_t liveAllocationsAtPeak = 0;
  uint64_t bytesAllocated = 0;
  uint64_t allocations = 0;
  uint64_t bytesFreed = 0;
  uint64_t frees = 0;
};

// Each counter read atomically (the six together are not one snapshot).
[[nodiscard]] MemoryCounters ReadMemoryCounters();

// The host's fourteen words: the six counters as pairs of words, low word first, then two
// zero words.
inline constexpr int kMemoryStatsWords = 14;
void WriteMemoryStats(const MemoryCounters& counters, uint32_t out[kMemoryStatsWords]);

// True once the counting functions are the installed allocation table.
[[nodiscard]] bool MemoryCountingInstalled();

}  // namespace Vela
