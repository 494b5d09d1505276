#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "event_bus.h"
#include "plugin_host.h"
#include "task_loop.h"

namespace Vela::Host {
namespace {

using ::testing::ElementsAre;

std::vector<std::string>* gHeard = nullptr;
void Listener(const HostEvent* event) {
  gHeard->push_back(std::string(event->name) + "@" + static_cast<const char*>(event->context));
}

TEST(EventBus, DeliversToTheHandlersOfTheNameWithTheirContext) {
  std::vector<std::string> heard;
  gHeard = &heard;
  EventBus bus;
  char first[] = "one";
  char second[] = "two";
  bus.Register("A", 1, &Listener, first, 0);
  bus.Register("A", 2, &Listener, second, 1);
  bus.Register("B", 1, &Listener, first, 0);
  bus.Register("A", 1, &Listener, second, 0);  // same name and cookie: replaced
  HostBindingValue empty{};
  EXPECT_EQ(bus.Deliver("A", empty, 0), 2u);
  EXPECT_THAT(heard, ElementsAre("A@two", "A@two"));
  EXPECT_TRUE(bus.Unregister("A", 1));
  EXPECT_FALSE(bus.Unregister("A", 1));
  EXPECT_EQ(bus.HandlerCount("A"), 1u);
  bus.UnregisterAll(1);
  EXPECT_EQ(bus.HandlerCount("B"), 0u);
  EXPECT_EQ(bus.Deliver("C", empty, 0), 0u);
}

TEST(TaskLoop, RunsByDueTimeThenOrderOfScheduling) {
  TaskLoop loop;
  std::vector<std::string> ran;
  loop.Schedule(2.0, 0, "late", [&] { ran.push_back("late"); });
  loop.Schedule(0.0, 0, "first", [&] { ran.push_back("first"); });
  loop.Schedule(-1.0, 0, "negative", [&] { ran.push_back("negative"); });  // runs at once
  loop.Schedule(1.0, 7, "owned", [&] { ran.push_back("owned"); });
  loop.Schedule(1.0, 0, "second", [&] { ran.push_back("second"); });
  EXPECT_THAT(loop.PendingLabels(), ElementsAre("first", "negative", "owned", "second", "late"));
  EXPECT_EQ(loop.RunDue(), 2u);
  EXPECT_EQ(loop.DropOwner(7), 1u);
  EXPECT_EQ(loop.AdvanceBy(1.5), 1u);
  EXPECT_DOUBLE_EQ(loop.now(), 1.5);
  EXPECT_EQ(loop.RunUntilIdle(), 1u);
  EXPECT_DOUBLE_EQ(loop.now(), 2.0);
  EXPECT_THAT(ran, ElementsAre("first", "negative", "second", "late"));
}

TEST(TaskLoop, WorkScheduledForNowByRunningWorkRunsInTheSamePass) {
  TaskLoop loop;
  int count = 0;
  loop.Schedule(0.0, 0, "outer", [&] {
    ++count;
    loop.Schedule(0.0, 0, "inner", [&] { ++count; });
  });
  EXPECT_EQ(loop.RunDue(), 2u);
  EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace Vela::Host
