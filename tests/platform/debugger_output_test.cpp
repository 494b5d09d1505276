#include "platform/debugger_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Vela::Platform {
namespace {

void Collect(const char* text, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(text);
}

TEST(DebuggerOutput, ObserverSeesEveryTextUntilRemoved) {
  std::vector<std::string> seen;
  SetDebuggerOutputObserver(&Collect, &seen);
  WriteDebuggerOutput("first line\n");
  WriteDebuggerOutput("");
  WriteDebuggerOutput("second");
  SetDebuggerOutputObserver(nullptr, nullptr);
  WriteDebuggerOutput("unseen");
  EXPECT_EQ(seen, (std::vector<std::string>{"first line\n", "", "second"}));
}

}  // namespace
}  // namespace Vela::Platform
