#include "platform/virtual_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace Vela::Platform {
namespace {

TEST(VirtualMemory, CommittedRegionIsZeroedAlignedAndWritable) {
  for (std::size_t bytes : {std::size_t{4096}, kRegionBytes, 3 * kRegionBytes + 100}) {
    SCOPED_TRACE(bytes);
    auto* region = static_cast<unsigned char*>(CommitRegion(bytes));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(region) % 4096, 0u);
    bool allZero = true;
    for (std::size_t i = 0; i < bytes; ++i) {
      allZero = allZero && region[i] == 0;
    }
    EXPECT_TRUE(allZero);
    std::memset(region, 0xA5, bytes);
    EXPECT_EQ(region[0], 0xA5);
    EXPECT_EQ(region[bytes - 1], 0xA5);
    ReleaseRegion(region, bytes);
  }
}

TEST(VirtualMemory, EmptyRegionIsRefused) { EXPECT_EQ(CommitRegion(0), nullptr); }

}  // namespace
}  // namespace Vela::Platform
