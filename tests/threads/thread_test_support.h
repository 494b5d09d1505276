// Helpers of the thread tests: start several threads together and join them.
//
//   RunTogether(4, [&](int thread) { ... });   // returns when all four have finished
//
// These tests prove little on their own: they exist to give ThreadSanitizer (the tsan
// preset) real interleavings of what the framework shares between threads, and they check
// the totals that a lost update or a double hand-out would change.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "logging/logger.h"

namespace Vela::ThreadTest {

inline void RunTogether(int threads, const std::function<void(int)>& body) {
  std::atomic<int> ready{0};
  std::vector<std::thread> running;
  running.reserve(static_cast<std::size_t>(threads));
  for (int t = 0; t < threads; ++t) {
    running.emplace_back([&, t] {
      // Start together, so that the bodies overlap rather than run one after another.
      ready.fetch_add(1);
      while (ready.load() < threads) std::this_thread::yield();
      body(t);
    });
  }
  for (std::thread& thread : running) thread.join();
}

// Holds a logger whose built-in targets are detached while the test runs: they would print
// every line the threads log.
class QuietLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StdErrTarget()->Detach();
    DebuggerTarget()->Detach();
  }
  void TearDown() override {
    StdErrTarget()->Attach();
    DebuggerTarget()->Attach();
  }
  LoggerReference logger_;
};

}  // namespace Vela::ThreadTest
