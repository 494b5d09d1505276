#include "platform/recursive_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace Vela::Platform {
namespace {

TEST(RecursiveLock, HeldUntilLeftAsOftenAsEntered) {
  RecursiveLock lock;
  lock.Enter();
  lock.Enter();
  lock.Leave();

  std::atomic<bool> acquired{false};
  std::thread other([&] {
    RecursiveLock::Guard guard(lock);
    acquired = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load()) << "another thread entered while the owner still held it once";
  lock.Leave();
  other.join();
  EXPECT_TRUE(acquired.load());
}

TEST(RecursiveLock, ExcludesOtherThreads) {
  RecursiveLock lock;
  int counter = 0;  // plain int: a missing exclusion shows as lost updates (and under TSan)
  int inside = 0;
  bool overlapped = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        RecursiveLock::Guard guard(lock);
        std::lock_guard<RecursiveLock> again(lock);  // recursion through the Lockable face
        if (++inside != 1) {
          overlapped = true;
        }
        ++counter;
        --inside;
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(counter, 80000);
  EXPECT_FALSE(overlapped);
}

}  // namespace
}  // namespace Vela::Platform
