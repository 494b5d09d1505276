#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
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

class Notifications final : public SiblingPlugin {
 public:
  std::vector<SiblingRequest> seen;
  std::string_view Name() const override { return "player-notifications"; }
  std::vector<SiblingRoute> Routes() const override {
    return {{6, "/player-notifications/v1/notifications"}, {2, "/stream"}};
  }
  SiblingReply Handle(const SiblingRequest& request) override {
    seen.push_back(request);
    if (request.method == 2) return SiblingReply::Streamed({"ab", "cde"});
    BindingProperty answer;
    answer.MutableField("id") = int64_t{5};
    return SiblingReply::Value(answer, 201);
  }
};

class HostFunctionsTest : public ::testing::Test {
 protected:
  HostFunctionTable* table() { return host_.hostApi()->table; }
  PluginHost host_;
};

TEST_F(HostFunctionsTest, RequestsAreRoutedToSiblingsByMethodAndPath) {
  auto notifications = std::make_shared<Notifications>();
  host_.AddSibling(notifications);

  HostArgument argument{};
  BindingProperty sent;
  sent.MutableField("title") = "hello";
  ToHostValue(sent, argument.value);
  HostRequest request{};
  request.method = 6;
  request.path = "/player-notifications/v1/notifications";
  request.args = &argument;
  request.argCount = 1;
  request.requestContext = reinterpret_cast<void*>(uintptr_t{0x1234});
  HostResponse response{};
  table()->Request(table(), &response, &request);
  ReleaseHostValue(argument.value);

  ASSERT_EQ(notifications->seen.size(), 1u);
  EXPECT_EQ(notifications->seen[0].arguments.at(0).FieldOrEmpty("title").GetStringOr(""), "hello");
  EXPECT_EQ(notifications->seen[0].cookie, 0x1234u);
  const uint32_t status = response.status;
  EXPECT_EQ(status, 201u);
  const char* error = response.head.error;
  EXPECT_EQ(error, nullptr);
  BindingResult value = FromHostValue(response.head.value, "<result>");
  ASSERT_TRUE(value.ok());
  EXPECT_EQ(value.value().FieldOrEmpty("id").GetSignedOr(0), 5);
  auto release = response.release;
  ASSERT_NE(release, nullptr);
  release(&response);
  EXPECT_THAT(host_.recording().Texts(HostCallKind::Request),
              ElementsAre("POST /player-notifications/v1/notifications"));

  // Nobody answers this one.
  request.method = 2;
  table()->Request(table(), &response, &request);
  EXPECT_EQ(std::string(response.head.error), "Not found");
  const uint32_t notFound = response.status;
  EXPECT_EQ(notFound, 404u);
  release = response.release;
  release(&response);
}

TEST_F(HostFunctionsTest, StreamedRepliesAreReadInTheirPieces) {
  host_.AddSibling(std::make_shared<Notifications>());
  HostRequest request{};
  request.method = 2;
  request.path = "/stream";
  HostResponse response{};
  table()->Request(table(), &response, &request);
  const uint32_t length = response.bodyLength;
  EXPECT_EQ(length, 5u);
  auto read = response.streamRead;
  void* stream = response.stream;
  ASSERT_NE(read, nullptr);
  std::vector<std::string> pieces;
  uint8_t more = 1;
  while (more != 0) {
    char buffer[4096];
    uint32_t count = sizeof buffer;
    ASSERT_EQ(read(stream, buffer, &count, &more), 1);
    pieces.emplace_back(buffer, count);
  }
  EXPECT_THAT(pieces, ElementsAre("ab", "cde"));
  auto releaseStream = response.streamRelease;
  releaseStream(stream);
  auto release = response.release;
  release(&response);
}

void CountTask(void* context) { ++*static_cast<int*>(context); }

TEST_F(HostFunctionsTest, TasksRunOnYieldAndWaitsAreBracketed) {
  int ran = 0;
  table()->PostTask(table(), "Event: soon", &CountTask, &ran, 0.0, 0);
  table()->PostTask(table(), "Event: later", &CountTask, &ran, 3.0, 0);
  table()->BeginWait(table(), "Wait: yield", 0);
  EXPECT_EQ(host_.waitDepth(), 1u);
  table()->Yield(table());
  EXPECT_EQ(ran, 1);
  table()->Yield(table());  // nothing due: the clock jumps to the delayed task
  EXPECT_EQ(ran, 2);
  EXPECT_DOUBLE_EQ(host_.loop().now(), 3.0);
  EXPECT_EQ(table()->EndWait(table()), 2u);  // the yields of the wait
  EXPECT_EQ(host_.waitDepth(), 0u);
  table()->Log(table(), 2, "line");
  const HostRecording& recording = host_.recording();
  ASSERT_EQ(recording.Count(HostCallKind::PostTask), 2u);
  EXPECT_DOUBLE_EQ(recording.Of(HostCallKind::PostTask)[1]->delaySeconds, 3.0);
  EXPECT_THAT(recording.Texts(HostCallKind::BeginWait), ElementsAre("Wait: yield"));
  ASSERT_EQ(recording.Count(HostCallKind::Log), 1u);
  EXPECT_EQ(recording.Of(HostCallKind::Log)[0]->level, 2);
}

TEST_F(HostFunctionsTest, FiredEventsAreRecordedAndDeliveredOnTheLoop) {
  std::vector<std::string> heard;
  gHeard = &heard;
  char context[] = "me";
  table()->RegisterEventHandler(table(), "OnJsonApiEvent", 1, &Listener, context, 0);
  BindingProperty payload;
  payload.MutableField("uri") = "/x";
  HostEvent event{};
  event.name = "OnJsonApiEvent";
  ToHostValue(payload, event.payload);
  table()->FireEvent(table(), &event);
  ReleaseHostValue(event.payload);
  EXPECT_TRUE(heard.empty());  // not inside the firing call
  host_.RunDue();
  EXPECT_THAT(heard, ElementsAre("OnJsonApiEvent@me"));
  const auto fired = host_.recording().Of(HostCallKind::FireEvent);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0]->value.FieldOrEmpty("uri").GetStringOr(""), "/x");
}

}  // namespace
}  // namespace Vela::Host
