// The service-proxy tables: requests made on the host's thread while the replies are
// delivered from a second thread, before or after the requests are accepted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "binding/binding_property.h"
#include "binding/binding_registry.h"
#include "binding/host_value_conversion.h"
#include "calls/call_context.h"
#include "calls/plugin_records.h"
#include "calls/service_proxy.h"
#include "thread_test_support.h"

namespace Vela {
namespace {

// Answers the login plugin's side: a uuid request gets "u<n>", a method request nothing
// (accepted). Called on the requesting thread only.
class ProxyContext final : public CallContext {
 public:
  void Request(HostResponse* out, const HostRequest* in) override {
    std::memset(out, 0, sizeof *out);
    if (std::string_view(in->path) == kServiceProxyUuidRequestPath) {
      ToHostValue(BindingProperty("u" + std::to_string(uuids_++)), out->head.value);
      out->release = [](HostResponse* response) { ReleaseHostValue(response->head.value); };
    }
  }
  uint64_t WaitYield() override { return 0; }
  void Subscribe(std::string_view) override {}
  void RegisterHandler(std::string_view, LcdsEventHandler, uint32_t) override {}
  void PostTask(std::string_view, int64_t, std::function<void()>) override {}
  const BindingRegistry* conversionTypes() const override { return &types_; }
  uint32_t cookie() const override { return 7; }
  const std::string& shortName() const override { return name_; }
  bool stopping() const override { return false; }

 private:
  int uuids_ = 0;
  const std::string name_ = "threads";
  BindingRegistry types_;
};

// Every request logs two lines, a reply without a handler an error line.
class ServiceProxyThreads : public ThreadTest::QuietLoggerTest {
 protected:
  ProxyContext context_;
  ServiceProxyCalls calls{context_};
};

TEST_F(ServiceProxyThreads, RepliesFromAnotherThreadCompleteEveryRequestOnce) {
  constexpr int kRequests = 300;
  std::atomic<int> completed{0};
  std::atomic<int> wrongPayload{0};

  std::thread replies([&] {
    // The replies of both kinds, in request order, racing the requests themselves.
    for (int i = 0; i < kRequests; ++i) {
      Plugin::PluginServiceProxyResponse reply;
      reply.payload = std::to_string(i);
      if (i % 2 == 0) {
        reply.serviceName = "svc";
        reply.methodName = "key" + std::to_string(i);
        calls.OnMethodReply(reply);
      } else {
        reply.uuid = "u" + std::to_string(i / 2);
        calls.OnUuidReply(reply);
      }
      (void)calls.PendingCount();
      (void)calls.ArrivedCount();
    }
  });
  for (int i = 0; i < kRequests; ++i) {
    const std::string expected = std::to_string(i);
    const std::string replyKey = i % 2 == 0 ? "key" + expected : std::string();
    const std::string status =
        calls.Request("svc", "method", BindingProperty(int64_t{i}), replyKey, {},
                      [&, expected](const Plugin::PluginServiceProxyResponse& reply) {
                        if (reply.payload != expected) wrongPayload.fetch_add(1);
                        completed.fetch_add(1);
                      });
    EXPECT_EQ(status, "") << i;
  }
  replies.join();

  EXPECT_EQ(completed.load(), kRequests);
  EXPECT_EQ(wrongPayload.load(), 0);
  EXPECT_EQ(calls.PendingCount(), 0u);
  EXPECT_EQ(calls.ArrivedCount(), 0u);
}

TEST_F(ServiceProxyThreads, AsynchronousHandlersReplacedWhileRepliesArrive) {
  std::atomic<int> handled{0};
  const auto handler = [&](const Plugin::PluginServiceProxyResponse&) { handled.fetch_add(1); };
  calls.RegisterAsyncHandler("svc", "push", handler);
  ThreadTest::RunTogether(3, [&](int thread) {
    for (int i = 0; i < 300; ++i) {
      if (thread == 0) {
        calls.RegisterAsyncHandler("svc", "push", handler);
      } else {
        Plugin::PluginServiceProxyResponse reply;
        reply.serviceName = "svc";
        reply.methodName = "push";
        calls.OnAsyncReply(reply);
      }
    }
  });
  EXPECT_EQ(handled.load(), 600);  // a handler is registered throughout: every reply finds one
  calls.Clear();
  EXPECT_EQ(calls.PendingCount(), 0u);
}

}  // namespace
}  // namespace Vela
