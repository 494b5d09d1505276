#include "calls/lcds_calls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "calls/call_failure.h"
#include "codecs/json.h"
#include "fake_call_context.h"

namespace Vela {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using Testing::FakeCallContext;
using Testing::FakeReply;
using Testing::SeenRequest;

TEST(LcdsEventName, ReplacesEveryPointAndAlwaysPrefixes) {
  struct Case {
    int line;
    std::string className;
    std::string eventName;
  };
  const Case cases[] = {
      {__LINE__, "com.velaworks.platform.messaging.ForcedClientShutdown",
       "OnLcdsEvent_com_velaworks_platform_messaging_ForcedClientShutdown"},
      {__LINE__, "Plain", "OnLcdsEvent_Plain"},
      {__LINE__, "a..b.", "OnLcdsEvent_a__b_"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(LcdsEventName(c.className), c.eventName);
  }
}

// The "__class" walk, by what the class table holds.
TEST(LcdsClassAnnotation, FollowsDeclaredTypesThroughStructuresVectorsAndMaps) {
  FakeCallContext context;
  CallsTesting::Outer outer;
  outer.inner = {"a", 1};
  outer.items = {{"b", 2}, {"c", 3}};
  outer.byName = {{"k", {"d", 4}}};
  outer.plain = {"p"};

  struct Case {
    int line;
    std::vector<std::pair<std::string, std::string>> classes;
    std::string expected;
  };
  const Case cases[] = {
      // Only the element type known: the outer value has no class, so nothing inside is
      // visited either.
      {__LINE__, {{"Inner", "x.Inner"}},
       R"({"byName":{"k":{"level":4,"name":"d"}},"inner":{"level":1,"name":"a"},"items":[{"level":2,"name":"b"},)"
       R"({"level":3,"name":"c"}],"plain":{"note":"p"}})"},
      // Outer and Inner known: the structure field, each vector element and each map
      // element get their class; Plain has none and stays bare.
      {__LINE__, {{"Outer", "x.Outer"}, {"Inner", "x.Inner"}},
       R"({"__class":"x.Outer","byName":{"k":{"__class":"x.Inner","level":4,"name":"d"}},)"
       R"("inner":{"__class":"x.Inner","level":1,"name":"a"},"items":[{"__class":"x.Inner","level":2,"name":"b"},)"
       R"({"__class":"x.Inner","level":3,"name":"c"}],"plain":{"note":"p"}})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    LcdsClassTable classes;
    for (const auto& [type, className] : c.classes) classes.Add(type, className);
    BindingResult value = ToBinding(outer, context.registry());
    ASSERT_TRUE(value.ok());
    AnnotateLcdsClasses(value.value(), DescribeNativeType<CallsTesting::Outer>(context.registry()), classes);
    EXPECT_EQ(WriteJson(value.value()), c.expected);
  }
}

// A value declared as a structure gets its class even when it holds nothing (an Empty
// optional), alone or as an element.
TEST(LcdsClassAnnotation, EmptyValuesDeclaredAsStructuresGetTheirClass) {
  FakeCallContext context;
  LcdsClassTable classes;
  classes.Add("Inner", "x.Inner");
  BindingProperty alone;
  AnnotateLcdsClasses(alone, DescribeNativeType<CallsTesting::Inner>(context.registry()), classes);
  EXPECT_EQ(WriteJson(alone), R"({"__class":"x.Inner"})");

  BindingResult items = ParseJson(R"([null, {"level": 2}])");
  ASSERT_TRUE(items.ok());
  AnnotateLcdsClasses(items.value(), DescribeNativeType<std::vector<CallsTesting::Inner>>(context.registry()), classes);
  EXPECT_EQ(WriteJson(items.value()), R"([{"__class":"x.Inner"},{"__class":"x.Inner","level":2}])");
}

// An enumeration is a name or a number: a class known for it must not turn the elements of
// a vector or map of it into records.
TEST(LcdsClassAnnotation, LeavesEnumerationElementsAsTheyAre) {
  FakeCallContext context;
  LcdsClassTable classes;
  classes.Add("Tier", "x.Tier");
  BindingResult tiers = ParseJson(R"(["Gold",1])");
  ASSERT_TRUE(tiers.ok());
  AnnotateLcdsClasses(tiers.value(), DescribeNativeType<std::vector<CallsTesting::Tier>>(context.registry()), classes);
  EXPECT_EQ(WriteJson(tiers.value()), R"(["Gold",1])");
  BindingResult byName = ParseJson(R"({"a":"Bronze"})");
  ASSERT_TRUE(byName.ok());
  AnnotateLcdsClasses(byName.value(),
                      DescribeNativeType<std::map<std::string, CallsTesting::Tier>>(context.registry()), classes);
  EXPECT_EQ(WriteJson(byName.value()), R"({"a":"Bronze"})");
}

class LcdsCallsTest : public ::testing::Test {
 protected:
  FakeCallContext context_;
  LcdsCalls lcds_{context_};
};

TEST_F(LcdsCallsTest, InvokePostsDestinationOperationAndTheAnnotatedArgumentList) {
  lcds_.classes().Add("Inner", "com.example.Inner");
  std::future<MaybeType<Failure, bool>> sent =
      lcds_.Invoke("clientFacadeService", "callPersistenceMessaging", CallsTesting::Inner{"ack", 1});
  ASSERT_EQ(sent.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_TRUE(sent.get().ok());
  ASSERT_EQ(context_.requests.size(), 1u);
  const SeenRequest& seen = context_.requests[0];
  EXPECT_EQ(seen.method, 6u);
  EXPECT_EQ(seen.path, "/arx-login/v1/session/invoke");
  ASSERT_EQ(seen.arguments.size(), 3u);
  EXPECT_EQ(seen.arguments[0].GetStringOr(""), "clientFacadeService");
  EXPECT_EQ(seen.arguments[1].GetStringOr(""), "callPersistenceMessaging");
  EXPECT_EQ(WriteJson(seen.arguments[2]), R"([{"__class":"com.example.Inner","level":1,"name":"ack"}])");
}

TEST_F(LcdsCallsTest, InvokeFailures) {
  // Conversion failure: nothing is sent.
  MaybeType<Failure, bool> refused = lcds_.Invoke("d", "op", CallsTesting::Unregistered{}).get();
  EXPECT_THAT(std::string(refused.message()), StartsWith("Couldn't convert LCDS call parameters: "));
  EXPECT_GT(refused.message().size(), std::string_view("Couldn't convert LCDS call parameters: ").size());
  EXPECT_TRUE(context_.requests.empty());

  // The POST fails: its failure, status included.
  context_.onRequest = [](const SeenRequest&) { return FakeReply{503, {}, "LCDS down", {}, false}; };
  MaybeType<Failure, bool> failed = lcds_.Invoke("d", "op", CallsTesting::Inner{}).get();
  EXPECT_EQ(failed.message(), "Error response for POST /arx-login/v1/session/invoke: LCDS down");
  EXPECT_EQ(FailureStatusCode(failed.failure()), 503u);
}

TEST_F(LcdsCallsTest, MessagesArePostedAsTasksForTheSubscriptionTheyArriveUnder) {
  std::vector<std::string> handled;
  lcds_.Subscribe<CallsTesting::Inner>("x.Inner", [&](const CallsTesting::Inner& inner) { handled.push_back("first " + inner.name); });
  lcds_.Subscribe<CallsTesting::Inner>("x.Inner", [&](const CallsTesting::Inner& inner) { handled.push_back("second " + inner.name); });
  ASSERT_EQ(context_.registered.count("OnLcdsEvent_x_Inner"), 1u);
  EXPECT_EQ(context_.registered["OnLcdsEvent_x_Inner"].second, 1u);

  Plugin::PluginLcdsEvent event;
  event.typeName = "x.Inner";
  event.body.MutableField("name") = "m1";
  context_.registered["OnLcdsEvent_x_Inner"].first(event);
  // Not inside the event callback: only a task is posted.
  EXPECT_TRUE(handled.empty());
  ASSERT_EQ(context_.posted.size(), 1u);
  EXPECT_EQ(context_.posted[0].first, "Event: OnLcdsEvent (x.Inner)");

  Plugin::PluginLcdsEvent wrongShape = event;
  wrongShape.body = "text";
  lcds_.HandleEvent(wrongShape);
  Plugin::PluginLcdsEvent unknown = event;
  unknown.typeName = "x.Other";
  lcds_.HandleEvent(unknown);
  EXPECT_EQ(context_.posted.size(), 2u);  // the unknown class posts nothing

  context_.RunPosted();
  EXPECT_THAT(handled, ElementsAre("second m1"));

  // The handler is the one subscribed when the message arrived: a subscription made while
  // its task waits takes only later messages.
  lcds_.HandleEvent(event);
  lcds_.Subscribe<CallsTesting::Inner>("x.Inner", [&](const CallsTesting::Inner& inner) { handled.push_back("third " + inner.name); });
  context_.RunPosted();
  lcds_.HandleEvent(event);
  context_.RunPosted();
  EXPECT_THAT(handled, ElementsAre("second m1", "second m1", "third m1"));

  // After Clear nothing new is posted.
  lcds_.Clear();
  lcds_.HandleEvent(event);
  EXPECT_TRUE(context_.posted.empty());
}

}  // namespace
}  // namespace Vela
