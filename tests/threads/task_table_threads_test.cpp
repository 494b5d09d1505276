// The task table: tasks inserted by several threads while others run and remove them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "plugin/task_table.h"
#include "thread_test_support.h"

namespace Vela {
namespace {

using ThreadTest::RunTogether;

TEST(TaskTableThreads, IdsAreUniqueAndEveryTaskRunsOnceAndLeaves) {
  TaskTable tasks;
  constexpr int kThreads = 4;
  constexpr int kPerThread = 500;
  std::atomic<int> ran{0};
  std::mutex idsLock;
  std::set<uint64_t> ids;
  RunTogether(kThreads, [&](int) {
    std::vector<TaskRecord*> mine;
    for (int i = 0; i < kPerThread; ++i) {
      TaskRecord* record = tasks.Insert(nullptr, [&ran] { ran.fetch_add(1); });
      ASSERT_NE(record, nullptr);
      {
        std::lock_guard<std::mutex> guard(idsLock);
        EXPECT_TRUE(ids.insert(record->id).second) << "id handed out twice: " << record->id;
      }
      mine.push_back(record);
      (void)tasks.size();
      // Run and remove as the host's loop would, interleaved with other threads' inserts.
      if (i % 4 == 3) {
        for (TaskRecord* task : mine) {
          const uint64_t id = task->id;
          task->run();
          EXPECT_TRUE(tasks.Remove(id));
          EXPECT_FALSE(tasks.Remove(id));
        }
        mine.clear();
      }
    }
    for (TaskRecord* task : mine) {
      const uint64_t id = task->id;
      task->run();
      EXPECT_TRUE(tasks.Remove(id));
    }
  });
  EXPECT_EQ(ran.load(), kThreads * kPerThread);
  EXPECT_EQ(tasks.size(), 0u);
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kThreads * kPerThread));
  EXPECT_EQ(tasks.nextId(), static_cast<uint64_t>(kThreads * kPerThread) + 1);
  EXPECT_EQ(*ids.begin(), 1u);
}

}  // namespace
}  // namespace Vela
