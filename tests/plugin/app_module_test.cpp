#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_host.h"
#include "logging/logger.h"
#include "plugin/app_module.h"
#include "plugin/error_responses.h"
#include "plugin/plugin_log_target.h"
#include "plugin/plugin_types.h"
#include "rest/api_registry.h"
#include "util/packed_copy.h"

namespace Vela {
namespace {

using ::testing::ElementsAre;
using Testing::FakeHost;

// Records the resource events that reach the module.
class RecordingModule : public AppModule {
 public:
  std::vector<Plugin::PluginResourceEvent> received;
  bool startResult = true;
  bool throwOnStart = false;

  bool OnStart() override {
    if (throwOnStart) throw std::runtime_error("start broke");
    return startResult;
  }
  void RegisterApi() override { registry()->AddFunction("GetArxPlayerBehaviorV1Thing"); }

 protected:
  void OnResourceEvent(const Plugin::PluginResourceEvent& event) override { received.push_back(event); }
};

class AppModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    block_ = PluginLoadBlock{18, 2, 1, nullptr, nullptr, nullptr, nullptr};
    module_.Handshake(&block_, "arx-player-behavior");
  }
  void StartModule() { ASSERT_TRUE(module_.Start(&host_.api)); }

  FakeHost host_;
  PluginLoadBlock block_{};
  RecordingModule module_;
};

TEST_F(AppModuleTest, HandshakeAnswersWithThePluginsVersionAndNames) {
  EXPECT_EQ(Copy(block_.major), 18u);
  EXPECT_EQ(Copy(block_.minor), 0u);
  EXPECT_EQ(Copy(block_.patch), 0u);
  EXPECT_EQ(Copy(block_.context), &module_);
  EXPECT_STREQ(Copy(block_.shortName), "arx-player-behavior");
  const ApiDescription* api = Copy(block_.api);
  ASSERT_NE(api, nullptr);
  EXPECT_EQ(module_.pluginName().fullName, "qpm-be-arx-player-behavior");
  EXPECT_EQ(module_.nameKey(), "ArxPlayerBehavior");
  EXPECT_THAT(module_.tags(), ElementsAre("Plugins", "Plugin arx-player-behavior"));
  const auto tagsOf = [](const char** tags, uint32_t count) {
    std::vector<std::string> list;
    for (uint32_t t = 0; t < count; ++t) list.emplace_back(tags[t]);
    return list;
  };
  // The module's own types are described to the host with the module's tags; the built-in
  // ones keep theirs.
  std::map<std::string, std::vector<std::string>> typeTags;
  for (uint32_t i = 0; i < Copy(api->typeCount); ++i) {
    const TypeRecord& type = Copy(api->types)[i];
    typeTags[Copy(type.name)] = tagsOf(Copy(type.tags), Copy(type.tagCount));
  }
  for (const char* name : {"PluginManagerState", "PluginManagerResource", "PluginResourceEventType",
                           "PluginResourceEvent", "PluginLcdsEvent", "PluginLcdsResponse",
                           "PluginServiceProxyResponse"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(typeTags.contains(name));
    EXPECT_THAT(typeTags[name], ElementsAre("Plugins", "Plugin arx-player-behavior"));
  }
  EXPECT_THAT(typeTags["BindingAsyncState"], ElementsAre("$builtin", "async"));
  // So are the functions it registers.
  ASSERT_EQ(module_.registry()->Functions().size(), 1u);
  EXPECT_THAT(module_.registry()->Functions()[0]->tags, ElementsAre("Plugins", "Plugin arx-player-behavior"));
  // The module's events are the registry's own, after the built-in OnCallback.
  struct Event {
    std::string name, nameSpace, payload, description;
    bool operator==(const Event&) const = default;
  };
  std::vector<Event> events;
  for (uint32_t i = 0; i < Copy(api->eventCount); ++i) {
    const EventRecord& event = Copy(api->events)[i];
    events.push_back({Copy(event.name), Copy(event.nameSpace), Copy(event.payloadType), Copy(event.description)});
  }
  const std::vector<Event> expected = {
      {"OnCallback", "", "BindingCallbackEvent", "Fired when a callback is invoked."},
      {"OnJsonApiEvent", "rclient", "PluginResourceEvent", "Fired when a resource is changed."},
      {"OnLcdsEvent", "rclient", "PluginLcdsEvent", "Fired when a message is received over the LCDS connection."},
      {"OnServiceProxyUuidEvent", "rclient", "PluginServiceProxyResponse",
       "Fired when a uuid-based service proxy message is received."},
      {"OnServiceProxyMethodEvent", "rclient", "PluginServiceProxyResponse",
       "Fired when a method-based service proxy message is received."},
      {"OnServiceProxyAsyncEvent", "rclient", "PluginServiceProxyResponse",
       "Fired when an async service proxy message is received."},
  };
  EXPECT_TRUE(events == expected);
}

TEST_F(AppModuleTest, StartStoresCookieAndBuildsUserAgentFromHostVersion) {
  StartModule();
  EXPECT_EQ(module_.cookie(), 0x1234u);
  EXPECT_EQ(module_.userAgent(), "VelaClient/18.2.1 (arx-player-behavior)");
  module_.startResult = false;
  EXPECT_FALSE(module_.Start(&host_.api));
}

TEST_F(AppModuleTest, StartEntryReportsAThrowingOnStartAsNotStarted) {
  module_.throwOnStart = true;
  EXPECT_EQ(module_.functions()->Start(&module_, &host_.api), 0);
  // The failure became a log line, through the target installed before OnStart.
  ASSERT_FALSE(host_.logs.empty());
  EXPECT_EQ(host_.logs.back().first, 2);
  EXPECT_THAT(host_.logs.back().second, ::testing::HasSubstr("start broke"));
}

TEST_F(AppModuleTest, LogLinesGoToTheHostAfterStartAndTheTargetIsInstalledOnce) {
  StartModule();
  LogMessage(LogLevel::Error, 1, 0, "%s: %s", "arx-player-behavior", "something");
  ASSERT_EQ(host_.logs.size(), 1u);
  EXPECT_EQ(host_.logs[0].first, 2);
  EXPECT_EQ(host_.logs[0].second, "arx-player-behavior: something");
  LogSink* installed = FindTarget(kPluginLogTargetName);
  ASSERT_NE(installed, nullptr);
  EXPECT_EQ(StdErrTarget() == nullptr || !StdErrTarget()->IsAttached(), true);

  ASSERT_TRUE(module_.Start(&host_.api));  // a second Start keeps the first target
  EXPECT_EQ(FindTarget(kPluginLogTargetName), installed);
  LogMessage(LogLevel::Okay, 1, 0, "%s", "okay line");  // minimum level 0 after Start
  ASSERT_EQ(host_.logs.size(), 2u);
  EXPECT_EQ(host_.logs[1].first, 0);
}

TEST_F(AppModuleTest, SubscriptionsAreCountedPerEventName) {
  StartModule();
  module_.Subscribe("/arx-login/v1/session");
  module_.Subscribe("arx-login/v1/session/extra");  // same event name
  EXPECT_EQ(module_.SubscriptionCount("OnJsonApiEvent_arx-login_v1_session"), 2u);
  // Start registered the three service-proxy events before.
  const auto sessionRegistrations = [&] {
    std::vector<FakeHost::Registration> found;
    for (const auto& registration : host_.registrations) {
      if (registration.name == "OnJsonApiEvent_arx-login_v1_session") found.push_back(registration);
    }
    return found;
  };
  ASSERT_EQ(sessionRegistrations().size(), 1u);
  EXPECT_EQ(sessionRegistrations()[0].cookie, 0x1234u);
  EXPECT_EQ(sessionRegistrations()[0].flag, 0u);
  EXPECT_EQ(sessionRegistrations()[0].context, &module_);

  module_.Unsubscribe("/arx-login/v1/session");
  EXPECT_EQ(sessionRegistrations().size(), 1u);
  EXPECT_TRUE(module_.HasHandler("OnJsonApiEvent_arx-login_v1_session"));
  module_.Unsubscribe("/arx-login/v1/session");
  EXPECT_TRUE(sessionRegistrations().empty());
  EXPECT_FALSE(module_.HasHandler("OnJsonApiEvent_arx-login_v1_session"));

  // Unbalanced: must not wrap around or touch the host.
  const std::size_t callsBefore = host_.calls.size();
  module_.Unsubscribe("/arx-login/v1/session");
  EXPECT_EQ(module_.SubscriptionCount("OnJsonApiEvent_arx-login_v1_session"), 0u);
  EXPECT_EQ(host_.calls.size(), callsBefore);
}

TEST_F(AppModuleTest, UnconvertibleOrUnknownEventsAreDropped) {
  StartModule();
  module_.Subscribe("/arx-login/v1/session");
  BindingProperty badType;
  badType.MutableField("eventType") = "Explode";  // not an enumeration value
  ASSERT_TRUE(host_.Deliver("OnJsonApiEvent_arx-login_v1_session", badType));
  EXPECT_TRUE(module_.received.empty());
  EXPECT_TRUE(host_.logs.empty());  // dropped without a log line

  // An event whose name has no handler is ignored.
  HostEvent stray{"OnJsonApiEvent_nobody", HostBindingValue{}, 0, &module_};
  host_.registrations[0].callback(&stray);
  EXPECT_TRUE(module_.received.empty());
}

TEST_F(AppModuleTest, HandlerExceptionsStayInsideThePlugin) {
  StartModule();
  module_.RegisterHandler("OnLcdsEvent_x", AppModule::LcdsEventHandler([](const Plugin::PluginLcdsEvent&) {
                            throw std::runtime_error("handler broke");
                          }),
                          1);
  ASSERT_EQ(host_.registrations.back().flag, 1u);
  BindingProperty payload;
  payload.MutableField("typeName") = "x";
  EXPECT_NO_THROW(host_.Deliver("OnLcdsEvent_x", payload));
  ASSERT_FALSE(host_.logs.empty());
  EXPECT_THAT(host_.logs.back().second, ::testing::HasSubstr("handler broke"));
}

TEST_F(AppModuleTest, SendEventFiresTheResourceNameThenTheGivenName) {
  StartModule();
  Plugin::PluginResourceEvent event;
  event.uri = "/arx-player-behavior/v1/ban";
  event.eventType = Plugin::PluginResourceEventType::Create;
  event.data.MutableField("id") = uint64_t{1};
  ASSERT_TRUE(module_.SendEvent("OnJsonApiEvent", event, 9).ok());
  ASSERT_EQ(host_.fired.size(), 2u);
  EXPECT_EQ(host_.fired[0].name, "OnJsonApiEvent_arx-player-behavior_v1_ban");
  EXPECT_EQ(host_.fired[1].name, "OnJsonApiEvent");
  EXPECT_EQ(host_.fired[0].word, 9u);
  EXPECT_EQ(host_.fired[0].payload.FieldOrEmpty("uri").GetStringOr(""), "/arx-player-behavior/v1/ban");
  EXPECT_EQ(host_.fired[0].payload.FieldOrEmpty("data").FieldOrEmpty("id").GetUnsignedOr(0), 1u);

  // The given name equal to the resource's own name fires once.
  host_.fired.clear();
  ASSERT_TRUE(module_.SendEvent("OnJsonApiEvent_arx-player-behavior_v1_ban", event).ok());
  EXPECT_EQ(host_.fired.size(), 1u);

  // A deletion is a Delete with empty data.
  host_.fired.clear();
  ASSERT_TRUE(module_.PublishDeletion("/arx-player-behavior/v1/reporter-feedback/3").ok());
  ASSERT_EQ(host_.fired.size(), 2u);
  EXPECT_EQ(host_.fired[1].payload.FieldOrEmpty("eventType").GetStringOr(""), "Delete");
  EXPECT_TRUE(host_.fired[1].payload.FieldOrEmpty("data").IsEmpty());
}

// --- Waiting and tasks ---

TEST_F(AppModuleTest, AwaitYieldsUntilReadyBetweenOneBeginAndOneEndWait) {
  StartModule();
  std::promise<MaybeType<Failure, int32_t>> ready;
  ready.set_value(MaybeType<Failure, int32_t>(7));
  host_.calls.clear();
  MaybeType<Failure, int32_t> readyResult = module_.Await(ready.get_future());
  ASSERT_TRUE(readyResult.ok());
  EXPECT_EQ(readyResult.value(), 7);
  EXPECT_TRUE(host_.calls.empty());  // a ready future needs no host function

  std::promise<MaybeType<Failure, int32_t>> promise;
  int yields = 0;
  host_.onYield = [&] {
    if (++yields == 3) promise.set_value(MaybeType<Failure, int32_t>::FromFailure("late"));
  };
  host_.calls.clear();
  MaybeType<Failure, int32_t> result = module_.Await(promise.get_future());
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.message(), "late");
  EXPECT_THAT(host_.calls, ElementsAre("BeginWait Wait: future<int32_t>", "Yield", "Yield", "Yield", "EndWait"));

  host_.calls.clear();
  EXPECT_EQ(module_.WaitYield(), 42u);  // the host's EndWait answer, passed through
  EXPECT_THAT(host_.calls, ElementsAre("BeginWait Wait: yield", "Yield", "EndWait"));
}

TEST_F(AppModuleTest, AwaitingAFutureWithoutStateEndsTheProcess) {
  // Not started, so the report reaches standard error rather than the fake host.
  EXPECT_DEATH((void)module_.Await(std::future<MaybeType<Failure, int32_t>>()), "ALE-6D828C10");
}

TEST_F(AppModuleTest, PostedTasksRunOnceAndLeaveTheTable) {
  StartModule();
  std::vector<int> ran;
  const int64_t now = MonotonicNowNanoseconds();
  module_.PostTask("Event: past", now - 5'000'000'000, [&] { ran.push_back(1); });
  module_.PostTask("Event: later", now + 2'000'000'000, [&] { ran.push_back(2); });
  module_.PostTask("Event: throws", INT64_MIN, [&] { throw std::runtime_error("task broke"); });
  ASSERT_EQ(host_.posted.size(), 3u);
  EXPECT_EQ(host_.posted[0].delay, 0.0);  // a deadline in the past
  EXPECT_GT(host_.posted[1].delay, 1.0);
  EXPECT_LE(host_.posted[1].delay, 2.0);
  EXPECT_EQ(host_.posted[2].delay, 0.0);
  EXPECT_EQ(module_.PendingTaskCount(), 3u);

  host_.RunPosted();
  EXPECT_THAT(ran, ElementsAre(1, 2));
  EXPECT_EQ(module_.PendingTaskCount(), 0u);  // the throwing task was removed too
  ASSERT_FALSE(host_.logs.empty());
  EXPECT_THAT(host_.logs.back().second, ::testing::HasSubstr("task broke"));
}

TEST(TaskTable, IdsStartAtOneAndAreNeverReused) {
  TaskTable table;
  TaskRecord* first = table.Insert(nullptr, [] {});
  TaskRecord* second = table.Insert(nullptr, [] {});
  EXPECT_EQ(first->id, 1u);
  EXPECT_EQ(second->id, 2u);
  EXPECT_TRUE(table.Remove(1));
  EXPECT_FALSE(table.Remove(1));
  EXPECT_EQ(table.Insert(nullptr, [] {})->id, 3u);
  EXPECT_EQ(table.size(), 2u);
}

}  // namespace
}  // namespace Vela
