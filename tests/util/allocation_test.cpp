#include "util/allocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Vela {
namespace {

// Counts the table calls; blocks come from the C runtime so either side may release them.
struct Counters {
  int allocations = 0;
  int frees = 0;
  int reallocations = 0;
  int duplications = 0;
  int sizeQueries = 0;
};

void* CountingAllocate(std::size_t size, void* context) {
  ++static_cast<Counters*>(context)->allocations;
  return std::malloc(size);
}
void CountingFree(void* block, void* context) {
  ++static_cast<Counters*>(context)->frees;
  std::free(block);
}
void* CountingReallocate(void* block, std::size_t size, void* context) {
  ++static_cast<Counters*>(context)->reallocations;
  return std::realloc(block, size);
}
char* CountingDuplicate(const char* text, void* context) {
  ++static_cast<Counters*>(context)->duplications;
  char* copy = static_cast<char*>(std::malloc(std::strlen(text) + 1));
  std::strcpy(copy, text);
  return copy;
}
std::size_t CountingSize(void*, void* context) {
  ++static_cast<Counters*>(context)->sizeQueries;
  return 12345;
}

// Each test leaves the process-wide table empty again.
class AllocationTest : public ::testing::Test {
 protected:
  void TearDown() override { SetAllocationTable(AllocationTable{}); }
  Counters counters_;
};

TEST_F(AllocationTest, EachEntryPointCallsItsTableFunctionWithTheContext) {
  AllocationTable table;
  table.allocate = &CountingAllocate;
  table.release = &CountingFree;
  table.reallocate = &CountingReallocate;
  table.duplicateText = &CountingDuplicate;
  table.usableSize = &CountingSize;
  table.context = &counters_;
  ASSERT_TRUE(SetAllocationTable(table));

  void* block = Allocate(8);
  block = Reallocate(block, 16);
  EXPECT_EQ(UsableSize(block), 12345u);
  Free(block);
  char* copy = DuplicateText("abc");
  EXPECT_STREQ(copy, "abc");
  Free(copy);

  EXPECT_EQ(counters_.allocations, 1);
  EXPECT_EQ(counters_.reallocations, 1);
  EXPECT_EQ(counters_.sizeQueries, 1);
  EXPECT_EQ(counters_.frees, 2);
  EXPECT_EQ(counters_.duplications, 1);
}

TEST_F(AllocationTest, EmptyWordsFallBackOneByOne) {
  AllocationTable table;
  table.allocate = &CountingAllocate;  // only allocation is counted
  table.context = &counters_;
  SetAllocationTable(table);
  void* block = Allocate(4);
  block = Reallocate(block, 64);
  EXPECT_GE(UsableSize(block), 64u);
  Free(block);
  EXPECT_EQ(counters_.allocations, 1);
  EXPECT_EQ(counters_.frees, 0);
}

Counters* g_preparedCounters = nullptr;
int g_preparations = 0;

void Prepare() {
  ++g_preparations;
  AllocationTable table;
  table.allocate = &CountingAllocate;
  table.release = &CountingFree;
  table.context = g_preparedCounters;
  SetAllocationTable(table);
  // Allocations made while preparing do not run the preparation again.
  Free(Allocate(1));
}

TEST_F(AllocationTest, PreparationRunsOnceBeforeTheNextEntryPoint) {
  g_preparedCounters = &counters_;
  g_preparations = 0;
  SetAllocationPreparation(&Prepare);
  EXPECT_EQ(g_preparations, 0);

  char* copy = DuplicateText("x");  // any entry point runs it, not only Allocate
  EXPECT_EQ(g_preparations, 1);
  Free(copy);
  Free(Allocate(3));
  EXPECT_EQ(g_preparations, 1);
  EXPECT_EQ(counters_.allocations, 2);  // one inside the preparation, one after
  EXPECT_EQ(counters_.frees, 3);
}

TEST_F(AllocationTest, FrameworkAllocatorGoesThroughTheTable) {
  AllocationTable table;
  table.allocate = &CountingAllocate;
  table.release = &CountingFree;
  table.context = &counters_;
  SetAllocationTable(table);
  {
    std::vector<int, FrameworkAllocator<int>> values;
    for (int i = 0; i < 100; ++i) {
      values.push_back(i);
    }
    std::basic_string<char, std::char_traits<char>, FrameworkAllocator<char>> text(100, 'x');
  }
  EXPECT_GT(counters_.allocations, 1);
  EXPECT_EQ(counters_.allocations, counters_.frees);
}

}  // namespace
}  // namespace Vela
