// The allocation counters and the process-wide page source under concurrent use.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/page_source.h"
#include "codecs/json.h"
#include "plugin/memory_counters.h"
#include "thread_test_support.h"
#include "util/allocation.h"

namespace Vela {
namespace {

using ThreadTest::RunTogether;

constexpr int kThreads = 4;

TEST(MemoryThreads, CountersAddUpWhenManyThreadsAllocate) {
  Free(Allocate(1));  // installs the counting functions before the first snapshot
  ASSERT_TRUE(MemoryCountingInstalled());
  const MemoryCounters before = ReadMemoryCounters();
  constexpr int kRounds = 2000;
  RunTogether(kThreads, [](int thread) {
    for (int i = 0; i < kRounds; ++i) {
      void* block = Allocate(static_cast<std::size_t>(16 + (i + thread) % 64));
      ASSERT_NE(block, nullptr);
      block = Reallocate(block, 256);
      ASSERT_NE(block, nullptr);
      char* text = DuplicateText("shared counters");
      Free(text);
      Free(block);
    }
  });
  const MemoryCounters after = ReadMemoryCounters();
  // Three blocks per round (the reallocation frees one block and makes another).
  const uint64_t blocks = static_cast<uint64_t>(kThreads) * kRounds * 3;
  EXPECT_EQ(after.allocations - before.allocations, blocks);
  EXPECT_EQ(after.frees - before.frees, blocks);
  EXPECT_EQ(after.bytesAllocated - before.bytesAllocated, after.bytesFreed - before.bytesFreed);
  EXPECT_GE(after.peakBytesInUse, before.peakBytesInUse);
}

TEST(MemoryThreads, PageSourceHandsEachPageToOneThreadAtATime) {
  PageSource& pages = PageSource::Instance();
  const std::size_t outstanding = pages.PagesOutstanding();
  constexpr int kRounds = 300;
  RunTogether(kThreads, [&](int thread) {
    std::vector<void*> held;
    for (int i = 0; i < kRounds; ++i) {
      void* page = pages.AcquirePage();
      ASSERT_NE(page, nullptr);
      ASSERT_EQ(reinterpret_cast<uintptr_t>(page) % kPageBytes, 0u);
      // A page handed to two threads at once would be written by both: a race to report.
      std::memset(page, thread, kPageBytes);
      held.push_back(page);
      if (i % 3 == 2) {
        for (void* mine : held) {
          EXPECT_EQ(static_cast<unsigned char*>(mine)[kPageBytes - 1], thread);
          pages.ReleasePage(mine);
        }
        held.clear();
      }
    }
    for (void* mine : held) pages.ReleasePage(mine);
  });
  EXPECT_EQ(pages.PagesOutstanding(), outstanding);
}

TEST(MemoryThreads, ValueTreesBuiltAndDroppedOnManyThreads) {
  // Each tree draws its pool pages from the shared source and returns them when dropped.
  const std::size_t outstanding = PageSource::Instance().PagesOutstanding();
  RunTogether(kThreads, [](int thread) {
    for (int i = 0; i < 100; ++i) {
      const std::string text = R"({"thread":)" + std::to_string(thread) + R"(,"items":[1,2,3,"four",{"five":5.5}],"i":)" +
                               std::to_string(i) + "}";
      BindingResult parsed = ParseJson(text);
      ASSERT_TRUE(parsed.ok()) << parsed.message();
      BindingProperty copy = parsed.value();
      EXPECT_EQ(WriteJson(copy), WriteJson(parsed.value()));
    }
  });
  EXPECT_EQ(PageSource::Instance().PagesOutstanding(), outstanding);
}

}  // namespace
}  // namespace Vela
