#include "platform/process_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <thread>

namespace Vela::Platform {
namespace {

TEST(ExecutableNameOf, TakesTheTextAfterTheLastSeparator) {
  const std::string sep(1, kPathSeparator);
  struct Case {
    int line;
    std::string path;
    std::string_view expected;
  };
  const Case cases[] = {
      {__LINE__, sep + "opt" + sep + "game" + sep + "Client.exe", "Client.exe"},
      {__LINE__, "Client.exe", "Client.exe"},
      {__LINE__, "dir" + sep, ""},
      {__LINE__, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ExecutableNameOf(c.path), c.expected);
  }
}

TEST(ModuleFileName, CutsAtCapacityAndTerminates) {
  char full[4096];
  const std::size_t fullLength = ModuleFileName(full, sizeof full);
  ASSERT_GT(fullLength, 5u);

  char small[6];
  std::memset(small, 'x', sizeof small);
  const std::size_t length = ModuleFileName(small, sizeof small);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(std::string_view(small), std::string_view(full, 5));

  EXPECT_EQ(ModuleFileName(small, 0), 0u);
}

TEST(CurrentThreadId, DiffersBetweenThreadsAndIsStable) {
  const uint32_t mine = CurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(CurrentThreadId(), mine);
  uint32_t other = 0;
  std::thread([&] { other = CurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);
}

}  // namespace
}  // namespace Vela::Platform
