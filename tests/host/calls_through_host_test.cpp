// The outbound calls of a module built in-process, driven through the development host and
// its simulated siblings: requests, events, waits and tasks all take the host's road.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "binding/native_type_builder.h"
#include "calls/typed_request.h"
#include "codecs/json.h"
#include "login_plugin.h"
#include "player_notifications_plugin.h"
#include "plugin/app_module.h"
#include "plugin_host.h"
#include "rest/api_registry.h"
#include "resource_sibling.h"

namespace HostCallsTesting {
struct Session {
  std::string state;
  uint64_t accountId = 0;
};
struct Card {
  std::string reason;
};
}  // namespace HostCallsTesting
VELA_STATIC_TYPE(HostCallsTesting::Session);
VELA_STATIC_TYPE(HostCallsTesting::Card);

namespace Vela::Host {
namespace {

using ::testing::ElementsAre;
using HostCallsTesting::Card;
using HostCallsTesting::Session;
using EventType = Plugin::PluginResourceEventType;

class CallingModule final : public AppModule {
 public:
  void RegisterApi() override {
    RegisterStruct<Session>(registry()->types(), "Session")
        .Field("state", &Session::state)
        .Field("accountId", &Session::accountId);
    RegisterStruct<Card>(registry()->types(), "Card").Field("reason", &Card::reason);
  }
};

BindingProperty SessionValue(std::string_view state, uint64_t accountId = 1) {
  BindingProperty session;
  session.MutableField("state") = state;
  session.MutableField("accountId") = accountId;
  return session;
}

class CallsThroughHost : public ::testing::Test {
 protected:
  void SetUp() override {
    login_ = std::make_shared<LoginPlugin>(host_);
    notifications_ = std::make_shared<PlayerNotificationsPlugin>();
    items_ = std::make_shared<ResourceSibling>(
        host_, "arx-items", std::vector<std::string>{"/arx-items/v1/items/1", "/arx-items/v1/items/2/extra"});
    host_.AddSibling(login_);
    host_.AddSibling(notifications_);
    host_.AddSibling(items_);
    PluginLoadBlock block{18, 0, 0, nullptr, nullptr, nullptr, nullptr};
    module_.Handshake(&block, "arx-player-behavior");
    ASSERT_TRUE(module_.Start(host_.hostApi()));
  }
  void TearDown() override {
    if (!module_.stopping()) module_.Stop();
  }

  std::size_t CountTexts(HostCallKind kind, std::string_view text) const {
    std::size_t count = 0;
    for (const std::string& seen : host_.recording().Texts(kind)) count += seen == text ? 1 : 0;
    return count;
  }
  std::vector<std::string> Logs() const {
    std::vector<std::string> lines;
    for (const HostCall* call : host_.recording().Of(HostCallKind::Log)) {
      lines.push_back(std::to_string(call->level) + " " + call->text);
    }
    return lines;
  }

  PluginHost host_;
  std::shared_ptr<LoginPlugin> login_;
  std::shared_ptr<PlayerNotificationsPlugin> notifications_;
  std::shared_ptr<ResourceSibling> items_;
  CallingModule module_;
};

TEST_F(CallsThroughHost, ObservedSessionArrivesAsCreateThenEveryChange) {
  login_->Set(kLoginSessionPath, SessionValue("IN_PROGRESS"));
  host_.RunUntilIdle();  // nobody listens yet

  std::vector<std::string> seen;
  auto record = [&](std::string tag) {
    return [&seen, tag](const ResourceUpdate<Session>& update) {
      seen.push_back(tag + " " + std::to_string(static_cast<int>(update.eventType)) + " " + update.value.state);
    };
  };
  module_.observers().Observe<Session>("/arx-login/v1/session", record("first"));
  EXPECT_THAT(seen, ElementsAre("first 0 IN_PROGRESS"));

  login_->Set(kLoginSessionPath, SessionValue("SUCCEEDED"));
  host_.RunUntilIdle();
  login_->Remove(kLoginSessionPath);
  host_.RunUntilIdle();
  // One delivery per change (the module listens to the resource's own event only), and the
  // deletion arrives unconverted with a default value.
  EXPECT_THAT(seen, ElementsAre("first 0 IN_PROGRESS", "first 1 SUCCEEDED", "first 2 "));

  // Observing again: the new observer replaces the old one, the subscription count rises,
  // and the failed read (no session now) delivers nothing.
  seen.clear();
  module_.observers().Observe<Session>("/arx-login/v1/session", record("second"));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(module_.SubscriptionCount("OnJsonApiEvent_arx-login_v1_session"), 2u);
  login_->Set(kLoginSessionPath, SessionValue("SUCCEEDED"));
  host_.RunUntilIdle();
  EXPECT_THAT(seen, ElementsAre("second 0 SUCCEEDED"));
}

TEST_F(CallsThroughHost, PatternObserversSeeMatchingPathsOnly) {
  std::vector<std::string> seen;
  module_.observers().Observe<BindingProperty>("/arx-items/v1/items/*", [&](const ResourceUpdate<BindingProperty>& update) {
    seen.push_back(update.uri + " " + WriteJson(update.value));
  });
  EXPECT_EQ(host_.recording().Count(HostCallKind::Request), 0u);  // patterns are not read
  items_->Set("/arx-items/v1/items/1", BindingProperty("one"));
  items_->Set("/arx-items/v1/items/2/extra", BindingProperty("deeper"));
  host_.RunUntilIdle();
  EXPECT_THAT(seen, ElementsAre(R"(/arx-items/v1/items/1 "one")"));
}

TEST_F(CallsThroughHost, StreamedRepliesYieldToTheHostOncePerShortPiece) {
  const BindingProperty session = SessionValue("SUCCEEDED", 42);
  login_->Set(kLoginSessionPath, session);
  host_.RunUntilIdle();
  login_->StreamGets(8);
  const std::size_t pieces = (WriteJson(session).size() + 7) / 8;
  ASSERT_GT(pieces, 2u);

  auto read = RequestOf<Session>(module_, HttpMethod::Get, "/arx-login/v1/session");
  ASSERT_TRUE(read.ok()) << read.message();
  EXPECT_EQ(read.value().accountId, 42u);
  EXPECT_EQ(CountTexts(HostCallKind::BeginWait, "Wait: yield"), pieces - 1);
  EXPECT_EQ(host_.recording().Count(HostCallKind::EndWait), pieces - 1);
  EXPECT_EQ(host_.waitDepth(), 0u);
}

TEST_F(CallsThroughHost, ErrorResponsesAndNotificationsTravelThroughTheHost) {
  auto missing = RequestOf<Session>(module_, HttpMethod::Get, "/arx-login/v1/session");
  EXPECT_EQ(missing.message(), "Error response for GET /arx-login/v1/session: Not found");
  EXPECT_EQ(FailureStatusCode(missing.failure()), 404u);

  MaybeType<Failure, bool> posted =
      Send(module_, HttpMethod::Post, kPlayerNotificationsPath, Card{"chat"});
  EXPECT_TRUE(posted.ok()) << posted.message();
  ASSERT_EQ(notifications_->posted().size(), 1u);
  EXPECT_EQ(WriteJson(notifications_->posted()[0]), R"({"reason":"chat"})");

  // Telemetry has no sibling here: the host answers 404.
  MaybeType<Failure, bool> telemetry = module_.telemetry()->Send("x", {}).get();
  EXPECT_EQ(telemetry.message(), "Error response for POST /telemetry/v1/events/x: Not found");
}

TEST_F(CallsThroughHost, UuidRepliesMeetTheirRequestsAfterOrBeforeTheRequestReturns) {
  login_->SetServiceReply("toxicfeedback.server", "getReformCard", ServiceProxyReply{R"({"reason":"later"})", "", "OK"});
  auto later = module_.serviceProxy().RequestAs<Card>("toxicfeedback.server", "getReformCard", {});
  MaybeType<Failure, Card> card = module_.Await(std::move(later));
  ASSERT_TRUE(card.ok()) << card.message();
  EXPECT_EQ(card.value().reason, "later");
  EXPECT_EQ(CountTexts(HostCallKind::BeginWait, "Wait: future<HostCallsTesting::Card>"), 1u);
  EXPECT_EQ(host_.recording().Count(HostCallKind::EndWait), 1u);
  const std::string uuid = login_->serviceProxyRequests().at(0).uuid;
  EXPECT_EQ(login_->serviceProxyRequests().at(0).cookie, PluginHost::kPluginCookie);
  EXPECT_THAT(Logs(), ElementsAre("3 arx-player-behavior: Preparing service proxy request: toxicfeedback.server.getReformCard",
                                  "3 arx-player-behavior: Started service proxy request: toxicfeedback.server.getReformCard (" + uuid + ")",
                                  "3 arx-player-behavior: Fulfilled service proxy request: " + uuid));

  host_.recording().Clear();
  login_->SetReplyTiming(ReplyTiming::BeforeRequestReturns);
  login_->SetServiceReply("toxicfeedback.server", "getReformCard", ServiceProxyReply{R"({"reason":"early"})", "", "OK"});
  auto early = module_.serviceProxy().RequestAs<Card>("toxicfeedback.server", "getReformCard", {});
  ASSERT_EQ(early.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_EQ(module_.Await(std::move(early)).value().reason, "early");
  EXPECT_EQ(host_.recording().Count(HostCallKind::BeginWait), 0u);
}

TEST_F(CallsThroughHost, MethodRequestsAreRefusedWhileInFlightAndFinalizingAfterStop) {
  // No configured reply: the first request stays pending.
  auto first = module_.serviceProxy().RequestAs<Card>("toxicfeedback.server", "getReformCard", {}, "key", "x");
  auto second = module_.serviceProxy().RequestAs<Card>("toxicfeedback.server", "getReformCard", {}, "key", "x");
  EXPECT_EQ(module_.Await(std::move(second)).message(), "Request already in flight");
  EXPECT_EQ(login_->serviceProxyRequests().size(), 1u);
  const std::vector<std::string> logs = Logs();
  EXPECT_EQ(logs.back(), "2 arx-player-behavior: Could not invoke service proxy as request is already in flight");

  module_.Stop();
  // The pending request is dropped and completes; a new one is refused and sends nothing.
  ASSERT_EQ(first.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_EQ(first.get().message(), "Finalizing");
  auto late = module_.serviceProxy().RequestAs<Card>("toxicfeedback.server", "getReformCard", {});
  EXPECT_EQ(late.get().message(), "Finalizing");
  EXPECT_EQ(login_->serviceProxyRequests().size(), 1u);
}

TEST_F(CallsThroughHost, LcdsMessagesRunAsTasksAndInvokesReachTheLoginPlugin) {
  std::vector<std::string> handled;
  module_.lcds().Subscribe<Card>("com.x.Card", [&](const Card& card) { handled.push_back(card.reason); });
  EXPECT_TRUE(host_.bus().IsRegistered("OnLcdsEvent_com_x_Card", PluginHost::kPluginCookie));

  BindingProperty body;
  body.MutableField("reason") = "shutdown";
  EXPECT_EQ(login_->DeliverLcdsMessage("com.x.Card", body), 1u);
  EXPECT_TRUE(handled.empty());
  EXPECT_EQ(CountTexts(HostCallKind::PostTask, "Event: OnLcdsEvent (com.x.Card)"), 1u);
  host_.RunUntilIdle();
  EXPECT_THAT(handled, ElementsAre("shutdown"));

  module_.lcds().classes().Add("Card", "com.x.CardResponse");
  MaybeType<Failure, bool> sent = module_.Await(module_.lcds().Invoke("clientFacadeService", "callPersistenceMessaging", Card{"ack"}));
  EXPECT_TRUE(sent.ok()) << sent.message();
  ASSERT_EQ(login_->invocations().size(), 1u);
  EXPECT_EQ(WriteJson(login_->invocations()[0].arguments), R"([{"__class":"com.x.CardResponse","reason":"ack"}])");
}

}  // namespace
}  // namespace Vela::Host
