#include "calls/service_proxy.h"

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
using Reply = Plugin::PluginServiceProxyResponse;

template <class T>
bool Ready(const std::future<T>& future) {
  return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// A reply from service "svc" to "get"; `uuid` is empty for method and async replies.
Reply SvcReply(std::string uuid, std::string payload, std::string error = {}) {
  Reply reply;
  reply.uuid = std::move(uuid);
  reply.serviceName = "svc";
  reply.methodName = "get";
  reply.payload = std::move(payload);
  reply.error = std::move(error);
  return reply;
}

class ServiceProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_.onRequest = [this](const SeenRequest& seen) {
      if (seen.path == kServiceProxyUuidRequestPath) {
        const std::string uuid = "uuid-" + std::to_string(++uuids_);
        if (replyFirst_) proxy_.OnUuidReply(SvcReply(uuid, R"({"state":"early","accountId":3})"));
        return FakeReply{200, BindingProperty(uuid), {}, {}, false};
      }
      return FakeReply{};
    };
  }
  FakeCallContext context_;
  ServiceProxyCalls proxy_{context_};
  int uuids_ = 0;
  bool replyFirst_ = false;
};

TEST_F(ServiceProxyTest, UuidRequestSendsFourArgumentsAndIsFulfilledByItsReply) {
  BindingProperty payload;
  payload.MutableField("a") = int64_t{1};
  auto session = proxy_.RequestAs<CallsTesting::Session>("svc", "get", payload);
  ASSERT_EQ(context_.requests.size(), 1u);
  const SeenRequest& seen = context_.requests[0];
  EXPECT_EQ(seen.method, 6u);
  EXPECT_EQ(seen.path, "/arx-login/v1/service-proxy-uuid-requests");
  ASSERT_EQ(seen.arguments.size(), 4u);
  EXPECT_EQ(seen.arguments[0].GetStringOr(""), "svc");
  EXPECT_EQ(seen.arguments[1].GetStringOr(""), "get");
  EXPECT_EQ(seen.arguments[2].AsUnsigned(), 0xC0FFEEu);
  EXPECT_EQ(seen.arguments[3].GetStringOr(""), R"({"a":1})");
  EXPECT_FALSE(Ready(session));
  EXPECT_EQ(proxy_.PendingCount(), 1u);

  proxy_.OnUuidReply(SvcReply("other-uuid", "{}"));  // someone else's: waits
  EXPECT_FALSE(Ready(session));
  proxy_.OnUuidReply(SvcReply("uuid-1", R"({"state":"ok","accountId":9})"));
  ASSERT_TRUE(Ready(session));
  auto result = session.get();
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(result.value().state, "ok");
  EXPECT_EQ(proxy_.PendingCount(), 0u);
  EXPECT_EQ(proxy_.ArrivedCount(), 1u);  // the stranger's reply stays
}

TEST_F(ServiceProxyTest, AReplyArrivingBeforeTheRequestReturnsFulfilsItWhenStored) {
  replyFirst_ = true;
  auto session = proxy_.RequestAs<CallsTesting::Session>("svc", "get", {});
  ASSERT_TRUE(Ready(session));
  EXPECT_EQ(session.get().value().state, "early");
  EXPECT_EQ(proxy_.PendingCount(), 0u);
  EXPECT_EQ(proxy_.ArrivedCount(), 0u);
}

TEST_F(ServiceProxyTest, TypedResultsOfReplies) {
  struct Case {
    int line;
    std::string payload;
    std::string error;
    std::string message;  // empty: success
  };
  const Case cases[] = {
      {__LINE__, R"({"state":"ok"})", "", ""},
      {__LINE__, R"({"state":"ok"})", "Service unavailable", "Service unavailable"},
      {__LINE__, "not json", "",
       "Failed to deserialize response payload \"not json\" to a CallsTesting::Session"},
      {__LINE__, R"({"state":[1]})", "",
       "Failed to deserialize response payload \"{\"state\":[1]}\" to a CallsTesting::Session"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto session = proxy_.RequestAs<CallsTesting::Session>("svc", "get", {});
    proxy_.OnUuidReply(SvcReply("uuid-" + std::to_string(uuids_), c.payload, c.error));
    ASSERT_TRUE(Ready(session));
    auto result = session.get();
    EXPECT_EQ(result.ok(), c.message.empty());
    EXPECT_EQ(result.message(), c.message);
  }
}

TEST_F(ServiceProxyTest, MethodRequestsAreKeyedByServiceAndReplyKeyAndRefusedWhileInFlight) {
  std::vector<std::string> completed;
  const std::string status = proxy_.Request("svc", "get", {}, "key-1", "extra", [&](const Reply& reply) {
    completed.push_back(reply.payload);
  });
  EXPECT_EQ(status, "");
  ASSERT_EQ(context_.requests.size(), 1u);
  const SeenRequest& seen = context_.requests[0];
  EXPECT_EQ(seen.path, "/arx-login/v1/service-proxy-method-requests");
  ASSERT_EQ(seen.arguments.size(), 6u);
  EXPECT_EQ(seen.arguments[2].GetStringOr(""), "key-1");
  EXPECT_EQ(seen.arguments[3].GetStringOr(""), "extra");
  EXPECT_EQ(seen.arguments[4].AsUnsigned(), 0xC0FFEEu);
  EXPECT_EQ(seen.arguments[5].GetStringOr("<none>"), "");  // an Empty payload writes as nothing

  EXPECT_EQ(proxy_.Request("svc", "get", {}, "key-1", "", [](const Reply&) {}), "Request already in flight");
  EXPECT_EQ(context_.requests.size(), 1u);
  // Another reply key of the same service is a different request.
  EXPECT_EQ(proxy_.Request("svc", "get", {}, "key-2", "", [](const Reply&) {}), "");

  Reply reply = SvcReply("", "[1]");
  reply.methodName = "key-1";
  proxy_.OnMethodReply(reply);
  EXPECT_THAT(completed, ElementsAre("[1]"));
  // Fulfilled: the key is free again.
  EXPECT_EQ(proxy_.Request("svc", "get", {}, "key-1", "", [](const Reply&) {}), "");
}

TEST_F(ServiceProxyTest, ACompletionMayStartTheNextRequest) {
  std::string second;
  const std::string status = proxy_.Request("svc", "get", {}, "", "", [&](const Reply&) {
    second = proxy_.Request("svc", "get", {}, "", "", [](const Reply&) {});
  });
  ASSERT_EQ(status, "");
  proxy_.OnUuidReply(SvcReply("uuid-1", "{}"));
  EXPECT_EQ(second, "");
  EXPECT_EQ(proxy_.PendingCount(), 1u);
}

TEST_F(ServiceProxyTest, AsyncRepliesGoToTheirRegisteredHandler) {
  std::vector<std::string> seen;
  proxy_.RegisterAsyncHandler("svc", "push", [&](const Reply& reply) { seen.push_back(reply.payload); });
  Reply reply = SvcReply("", "p1");
  reply.methodName = "push";
  proxy_.OnAsyncReply(reply);
  reply.methodName = "other";
  proxy_.OnAsyncReply(reply);  // no handler: only logged
  EXPECT_THAT(seen, ElementsAre("p1"));
}

}  // namespace
}  // namespace Vela
