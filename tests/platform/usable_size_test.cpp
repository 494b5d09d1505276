#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/usable_size.h"

namespace Vela::Platform {
namespace {

TEST(UsableBlockSize, CoversTheRequestedSize) {
  for (std::size_t requested : {std::size_t{1}, std::size_t{24}, std::size_t{1000}}) {
    SCOPED_TRACE(requested);
    void* block = std::malloc(requested);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(UsableBlockSize(block), requested);
    std::free(block);
  }
  EXPECT_EQ(UsableBlockSize(nullptr), 0u);
}

}  // namespace
}  // namespace Vela::Platform
