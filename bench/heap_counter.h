// Heap accounting for the benchmarks: every block made through these functions, the
// framework's allocation table (once installed) and the global operator new is counted by
// its usable size, so a benchmark can read how many heap bytes a structure holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Vela::Bench {

// Net usable bytes of the blocks made and freed while counting was on.
int64_t HeapBytesInUse();
// The most HeapBytesInUse() has been since the last ResetPeakHeapBytes().
int64_t PeakHeapBytes();
void ResetPeakHeapBytes();

// Counting costs a block-size query per call, so it is on only inside this scope (timed
// benchmarks run without it). Blocks must not cross the scope's edges to be counted right.
class CountingScope {
 public:
  CountingScope();
  ~CountingScope();
  CountingScope(const CountingScope&) = delete;
  CountingScope& operator=(const CountingScope&) = delete;
};

void* CountedMalloc(std::size_t size);
void CountedFree(void* block);
void* CountedRealloc(void* block, std::size_t size);

// Routes the framework's allocation functions through the counting ones (once; later
// calls do nothing). Call before the first value tree is built.
void InstallCountingAllocation();

// A RapidJSON base allocator that counts.
struct CountingCrtAllocator {
  static const bool kNeedFree = true;
  void* Malloc(std::size_t size) { return size == 0 ? nullptr : CountedMalloc(size); }
  void* Realloc(void* block, std::size_t, std::size_t newSize) {
    if (newSize == 0) {
      CountedFree(block);
      return nullptr;
    }
    return CountedRealloc(block, newSize);
  }
  static void Free(void* block) { CountedFree(block); }
};

}  // namespace Vela::Bench
