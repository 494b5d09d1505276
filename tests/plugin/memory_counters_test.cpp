#include <gtest/gtest.h>

#include <cstdint>

#include "plugin/memory_counters.h"
#include "util/allocation.h"

namespace Vela {
namespace {

TEST(MemoryCounters, AllocateFreeReallocateAndDuplicateAreCounted) {
  const MemoryCounters before = ReadMemoryCounters();
  void* block = Allocate(100);
  ASSERT_NE(block, nullptr);
  const uint64_t size = UsableSize(block);
  const MemoryCounters allocated = ReadMemoryCounters();
  EXPECT_EQ(allocated.allocations - before.allocations, 1u);
  EXPECT_EQ(allocated.bytesAllocated - before.bytesAllocated, size);
  EXPECT_GE(size, 100u);

  void* grown = Reallocate(block, 5000);
  ASSERT_NE(grown, nullptr);
  const MemoryCounters reallocated = ReadMemoryCounters();
  EXPECT_EQ(reallocated.frees - allocated.frees, 1u);  // the old block
  EXPECT_EQ(reallocated.bytesFreed - allocated.bytesFreed, size);
  EXPECT_EQ(reallocated.allocations - allocated.allocations, 1u);
  EXPECT_EQ(reallocated.bytesAllocated - allocated.bytesAllocated, UsableSize(grown));

  char* text = DuplicateText("abc");
  const MemoryCounters duplicated = ReadMemoryCounters();
  EXPECT_EQ(duplicated.allocations - reallocated.allocations, 1u);
  Free(text);
  Free(grown);
  Free(nullptr);  // an empty block is not a free
  const MemoryCounters freed = ReadMemoryCounters();
  EXPECT_EQ(freed.frees - duplicated.frees, 2u);
}

TEST(MemoryCounters, PeakRecordsBytesInUseAndLiveAllocationsAtItsHigh) {
  const MemoryCounters before = ReadMemoryCounters();
  const uint64_t inUseBefore = before.bytesAllocated - before.bytesFreed;
  // Far above anything in use so far, so this block sets a new peak.
  void* block = Allocate(static_cast<std::size_t>(inUseBefore + (1u << 20)));
  ASSERT_NE(block, nullptr);
  const MemoryCounters atPeak = ReadMemoryCounters();
  EXPECT_EQ(atPeak.peakBytesInUse, atPeak.bytesAllocated - atPeak.bytesFreed);
  EXPECT_EQ(atPeak.liveAllocationsAtPeak, atPeak.allocations - atPeak.frees);
  Free(block);
  void* small = Allocate(16);
  const MemoryCounters after = ReadMemoryCounters();
  EXPECT_EQ(after.peakBytesInUse, atPeak.peakBytesInUse);  // lower use leaves the peak alone
  EXPECT_EQ(after.liveAllocationsAtPeak, atPeak.liveAllocationsAtPeak);
  Free(small);
}

// The counters start from zero: with no byte in use, no allocation is live (the other tests
// compare differences, which a shifted start would pass).
TEST(MemoryCounters, NoBytesInUseMeansNoLiveAllocations) {
  void* block = Allocate(64);
  const MemoryCounters during = ReadMemoryCounters();
  Free(block);
  const MemoryCounters after = ReadMemoryCounters();
  EXPECT_GT(during.allocations - during.frees, 0u);
  EXPECT_EQ(after.bytesAllocated == after.bytesFreed, after.allocations == after.frees);
}

TEST(MemoryCounters, StatsAreSixPairsLowWordFirstThenTwoZeros) {
  MemoryCounters counters;
  counters.peakBytesInUse = 0x0000000100000002ull;
  counters.liveAllocationsAtPeak = 3;
  counters.bytesAllocated = 0xFFFFFFFF00000000ull;
  counters.allocations = 4;
  counters.bytesFreed = 5;
  counters.frees = 0x0000000700000006ull;
  uint32_t words[kMemoryStatsWords];
  for (uint32_t& word : words) word = 0xAAAAAAAAu;
  WriteMemoryStats(counters, words);
  const uint32_t expected[kMemoryStatsWords] = {2, 1, 3, 0, 0, 0xFFFFFFFFu, 4, 0, 5, 0, 6, 7, 0, 0};
  for (int i = 0; i < kMemoryStatsWords; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(words[i], expected[i]);
  }
}

}  // namespace
}  // namespace Vela
