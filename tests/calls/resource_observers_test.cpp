#include "calls/resource_observers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_call_context.h"

namespace Vela {
namespace {

using ::testing::ElementsAre;
using Testing::FakeCallContext;
using Testing::FakeReply;
using Testing::SeenRequest;
using EventType = Plugin::PluginResourceEventType;

TEST(WildcardMatches, StarTakesTheRestOfOneSegment) {
  struct Case {
    int line;
    std::string pattern;
    std::string path;
    bool matches;
  };
  const Case cases[] = {
      {__LINE__, "/a/*/c", "/a/b/c", true},
      {__LINE__, "/a/*/c", "/a/b/x/c", false},
      {__LINE__, "/a/*/c", "/a//c", true},  // the star may take nothing before a "/"
      {__LINE__, "/a/*", "/a/b", true},
      {__LINE__, "/a/*", "/a/", false},
      {__LINE__, "/a/*", "/a/b/c", false},
      {__LINE__, "/a/b", "/a/b", true},
      {__LINE__, "/a/x*", "/a/xyz", true},
      // Greedy: a star takes the whole segment, so nothing after it in the same segment
      // can match.
      {__LINE__, "/a/*z", "/a/xyz", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(WildcardMatches(c.pattern, c.path), c.matches);
  }
}

class ResourceObserversTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_.onRequest = [this](const SeenRequest& seen) {
      if (seen.path == "/arx-login/v1/session") return FakeReply{200, Session("initial"), {}, {}, false};
      return FakeReply{404, {}, "Not found", {}, false};
    };
  }
  static BindingProperty Session(std::string_view state) {
    BindingProperty session;
    session.MutableField("state") = state;
    return session;
  }
  static Plugin::PluginResourceEvent Event(std::string uri, EventType type, BindingProperty data) {
    return Plugin::PluginResourceEvent{std::move(uri), type, std::move(data)};
  }

  FakeCallContext context_;
  ResourceObservers observers_{context_};
  std::vector<std::string> seen_;
};

TEST_F(ResourceObserversTest, ObservingAnExactPathSubscribesAndDeliversTheInitialReadAsCreate) {
  observers_.Observe<CallsTesting::Session>("/arx-login/v1/session",
                                            [&](const ResourceUpdate<CallsTesting::Session>& update) {
                                              seen_.push_back(update.uri + " " + std::to_string(int(update.eventType)) +
                                                              " " + update.value.state);
                                            });
  EXPECT_THAT(context_.subscribed, ElementsAre("/arx-login/v1/session"));
  ASSERT_EQ(context_.requests.size(), 1u);
  EXPECT_EQ(context_.requests[0].method, 2u);
  EXPECT_THAT(seen_, ElementsAre("/arx-login/v1/session 0 initial"));

  // Later changes; a uri without its leading "/" still reaches the observer.
  observers_.Dispatch(Event("arx-login/v1/session", EventType::Update, Session("changed")));
  observers_.Dispatch(Event("/arx-login/v1/session", EventType::Update, BindingProperty("wrong shape")));
  observers_.Dispatch(Event("/arx-login/v1/session", EventType::Delete, BindingProperty("not converted")));
  observers_.Dispatch(Event("/arx-login/v1/other", EventType::Update, Session("elsewhere")));
  EXPECT_THAT(seen_, ElementsAre("/arx-login/v1/session 0 initial", "arx-login/v1/session 1 changed",
                                 "/arx-login/v1/session 2 "));
}

TEST_F(ResourceObserversTest, PatternsAreNotReadAndMatchEveryEventInPatternOrder) {
  auto record = [&](std::string tag) {
    return [this, tag](const ResourceUpdate<BindingProperty>& update) { seen_.push_back(tag + " " + update.uri); };
  };
  observers_.Observe<BindingProperty>("/a/*/c", record("b-star"));
  observers_.Observe<BindingProperty>("/a/*", record("a-star"));
  observers_.Observe<BindingProperty>("/a/b/c", record("exact"));
  // Only the exact path was read; it failed (404), so it delivered nothing.
  ASSERT_EQ(context_.requests.size(), 1u);
  EXPECT_EQ(context_.requests[0].path, "/a/b/c");
  EXPECT_EQ(observers_.WildcardCount(), 2u);

  observers_.Dispatch(Event("/a/b/c", EventType::Update, {}));
  observers_.Dispatch(Event("/a/x", EventType::Update, {}));
  observers_.Dispatch(Event("/a/b/x/c", EventType::Update, {}));
  EXPECT_THAT(seen_, ElementsAre("exact /a/b/c", "b-star /a/b/c", "a-star /a/x"));
}

TEST_F(ResourceObserversTest, AnObserverMayObserveWhileBeingCalled) {
  observers_.Observe<BindingProperty>("/a/*", [&](const ResourceUpdate<BindingProperty>& update) {
    seen_.push_back(update.uri);
    observers_.Observe<BindingProperty>("/a/*", [&](const ResourceUpdate<BindingProperty>&) { seen_.push_back("new"); });
  });
  observers_.Dispatch(Event("/a/1", EventType::Update, {}));
  observers_.Dispatch(Event("/a/2", EventType::Update, {}));
  EXPECT_THAT(seen_, ElementsAre("/a/1", "new"));
}

}  // namespace
}  // namespace Vela
