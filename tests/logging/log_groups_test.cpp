#include "logging/log_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>

namespace Vela {
namespace {

std::string Names(uint64_t mask, std::size_t capacity = kGroupNamesCapacity) {
  std::string buffer(capacity, '\x7F');
  const std::size_t length = GroupNames(mask, buffer.data(), capacity);
  EXPECT_EQ(buffer[length], '\0');
  return buffer.substr(0, length);
}

TEST(LogGroupsTest, NewCodesTakeTheNextSlotOnce) {
  const uint64_t first = GroupMask("QA1");
  const uint64_t second = GroupMask("QA2");
  ASSERT_EQ(std::popcount(first), 1);
  EXPECT_GT(first, kLogGroupLoc);
  EXPECT_EQ(second, first << 1);
  EXPECT_EQ(GroupMask("QA1"), first) << "a known code must not be registered again";
  EXPECT_EQ(GroupCode(static_cast<std::size_t>(std::countr_zero(second))), "QA2");
  EXPECT_EQ(GroupMask("Q"), second << 1) << "shorter codes are codes too";
}

TEST(LogGroupsTest, CodesThatCannotBeStoredGetNoGroup) {
  EXPECT_EQ(GroupMask(""), 0u);
  EXPECT_EQ(GroupMask("LONG"), 0u);
  EXPECT_EQ(GroupMask(std::string_view("A\0B", 3)), 0u);
  EXPECT_EQ(GroupCode(64), kUnregisteredGroupCode);
  EXPECT_EQ(GroupCode(63), kUnregisteredGroupCode);
}

TEST(LogGroupsTest, TableStopsAtSixtyFourSlots) {
  // Filling the table is for good: do it in a child process.
  EXPECT_EXIT(
      {
        uint64_t last = 0;
        for (int i = 0; i < 100; ++i) {
          const std::string code = "Z" + std::to_string(i);
          const uint64_t mask = GroupMask(code);
          if (mask == 0) break;
          last = mask;
        }
        const bool ok = last == uint64_t{1} << 63 && GroupMask("Y00") == 0 && GroupMask("DBG") == kLogGroupDbg &&
                        GroupCode(63) != kUnregisteredGroupCode;
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(LogGroupsTest, NamesListSetBitsInAscendingOrder) {
  struct Row {
    int line;
    uint64_t mask;
    std::size_t capacity;
    std::string_view expected;
  } rows[] = {
      {__LINE__, 0, kGroupNamesCapacity, ""},
      {__LINE__, kLogGroupDbg, kGroupNamesCapacity, "DBG"},
      {__LINE__, kLogGroupNet | kLogGroupDbg, kGroupNamesCapacity, "DBG;NET"},
      {__LINE__, kLogGroupLoc | kLogGroupTst | kLogGroupGen, kGroupNamesCapacity, "GEN;TST;LOC"},
      {__LINE__, uint64_t{1} << 62 | kLogGroupXtr, kGroupNamesCapacity, "XTR;???"},
      // Cut at capacity - 1.
      {__LINE__, kLogGroupDbg | kLogGroupGen, 5, "DBG;"},
      {__LINE__, kLogGroupDbg | kLogGroupGen, 7, "DBG;GE"},
      {__LINE__, kLogGroupDbg, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Names(row.mask, row.capacity), row.expected);
  }
  EXPECT_EQ(GroupNames(kLogGroupDbg, nullptr, 0), 0u);
}

TEST(LogGroupsTest, FullMaskFitsTheNamesCapacity) {
  const std::string names = Names(~uint64_t{0});
  EXPECT_LT(names.size(), kGroupNamesCapacity);
  EXPECT_EQ(names.substr(0, 36), "DBG;GEN;XTR;PRF;MEM;DSK;NET;TST;LOC;");
  EXPECT_EQ(std::count(names.begin(), names.end(), ';'), 63);
  EXPECT_EQ(names.substr(names.size() - 4), ";???") << "slot 63 is still empty here";
}

}  // namespace
}  // namespace Vela
