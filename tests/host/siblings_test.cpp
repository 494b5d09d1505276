// The simulated siblings, reached through the host's Request function as the plugin would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "binding/host_value_conversion.h"
#include "codecs/json.h"
#include "login_plugin.h"
#include "plugin_host.h"
#include "resource_sibling.h"

namespace Vela::Host {
namespace {

using ::testing::ElementsAre;

struct Answer {
  uint32_t status = 0;
  std::string error;
  BindingProperty value;
};

// Sends a request through the host's Request function, as the plugin does, and releases
// what the host handed out.
Answer SendThroughHost(PluginHost& host, uint32_t method, const std::string& path,
                       const std::vector<BindingProperty>& arguments = {}) {
  std::vector<HostArgument> encoded(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) ToHostValue(arguments[i], encoded[i].value);
  HostRequest in{};
  in.method = method;
  in.path = path.c_str();
  in.args = encoded.empty() ? nullptr : encoded.data();
  in.argCount = static_cast<uint32_t>(encoded.size());
  in.requestContext = reinterpret_cast<void*>(uintptr_t{PluginHost::kPluginCookie});
  HostResponse out{};
  HostFunctionTable* table = host.hostApi()->table;
  table->Request(table, &out, &in);
  for (HostArgument& argument : encoded) ReleaseHostValue(argument.value);

  Answer answer;
  answer.status = out.status;
  if (out.head.error != nullptr) answer.error = out.head.error;
  BindingResult decoded = FromHostValue(out.head.value, "<result>");
  if (decoded.ok()) answer.value = std::move(decoded).value();
  if (out.streamRelease != nullptr) out.streamRelease(out.stream);  // the siblings here never stream
  if (out.release != nullptr) out.release(&out);
  return answer;
}

// Registers itself on the host's bus for event names and keeps what arrives.
class EventCollector {
 public:
  struct Seen {
    std::string name;
    BindingProperty payload;
  };
  void Listen(PluginHost& host, std::string_view name) { host.bus().Register(name, kCookie, &Collect, this, 0); }
  std::vector<Seen> seen;

 private:
  static constexpr uint32_t kCookie = 0xE7E7;
  static void Collect(const HostEvent* event) {
    auto* self = static_cast<EventCollector*>(event->context);
    BindingResult payload = FromHostValue(event->payload, "<result>");
    self->seen.push_back(Seen{event->name, payload.ok() ? std::move(payload).value() : BindingProperty()});
  }
};

constexpr uint32_t kGet = 2;
constexpr uint32_t kPost = 6;

BindingProperty Text(std::string_view text) { return BindingProperty(text); }

class SiblingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login_ = std::make_shared<LoginPlugin>(host_);
    host_.AddSibling(login_);
    host_.AddSibling(MakeGameFlowPlugin(host_));
  }
  PluginHost host_;
  std::shared_ptr<LoginPlugin> login_;
};

TEST_F(SiblingsTest, ResourcesAnswerTheirValueAndPublishEveryChange) {
  EventCollector events;
  events.Listen(host_, "OnJsonApiEvent_arx-login_v1_session");
  events.Listen(host_, "OnJsonApiEvent");

  Answer missing = SendThroughHost(host_, kGet, "/arx-login/v1/session");
  EXPECT_EQ(missing.status, 404u);
  EXPECT_EQ(missing.error, "Not found");

  login_->Set(kLoginSessionPath, Text("first"));
  login_->Set(kLoginSessionPath, Text("second"));
  login_->Remove(kLoginSessionPath);
  EXPECT_TRUE(events.seen.empty());  // published on the loop
  host_.RunUntilIdle();
  std::vector<std::string> seen;
  for (const auto& event : events.seen) {
    seen.push_back(event.name + " " + WriteJson(event.payload));
  }
  EXPECT_THAT(seen, ElementsAre(
      R"(OnJsonApiEvent_arx-login_v1_session {"data":"first","eventType":"Create","uri":"/arx-login/v1/session"})",
      R"(OnJsonApiEvent {"data":"first","eventType":"Create","uri":"/arx-login/v1/session"})",
      R"(OnJsonApiEvent_arx-login_v1_session {"data":"second","eventType":"Update","uri":"/arx-login/v1/session"})",
      R"(OnJsonApiEvent {"data":"second","eventType":"Update","uri":"/arx-login/v1/session"})",
      R"(OnJsonApiEvent_arx-login_v1_session {"data":null,"eventType":"Delete","uri":"/arx-login/v1/session"})",
      R"(OnJsonApiEvent {"data":null,"eventType":"Delete","uri":"/arx-login/v1/session"})"));

  login_->Set(kLoginDataPacketPath, Text("packet"));
  EXPECT_EQ(SendThroughHost(host_, kGet, "/arx-login/v1/login-data-packet").value.GetStringOr(""), "packet");
  EXPECT_EQ(SendThroughHost(host_, kGet, "/arx-gameflow/v1/session").status, 404u);
}

TEST_F(SiblingsTest, LcdsMessagesAreDeliveredUnderTheClassesEventName) {
  EventCollector events;
  events.Listen(host_, "OnLcdsEvent_com_x_Message");
  BindingProperty body;
  body.MutableField("reason") = "maintenance";
  EXPECT_EQ(login_->DeliverLcdsMessage("com.x.Message", body), 1u);
  ASSERT_EQ(events.seen.size(), 1u);
  EXPECT_EQ(WriteJson(events.seen[0].payload),
            R"({"body":{"reason":"maintenance"},"clientId":"clientFacadeService","subtopic":"","typeName":"com.x.Message"})");
}

TEST_F(SiblingsTest, ServiceProxyRepliesFollowTheirRequestsWhenConfigured) {
  EventCollector events;
  events.Listen(host_, "OnServiceProxyUuidEvent");
  events.Listen(host_, "OnServiceProxyMethodEvent");
  login_->SetServiceReply("toxicfeedback.server", "getReformCard", ServiceProxyReply{"[]", "", "OK"});

  Answer uuid = SendThroughHost(host_, kPost, "/arx-login/v1/service-proxy-uuid-requests",
                                {Text("toxicfeedback.server"), Text("getReformCard"), BindingProperty(uint32_t{7}), Text("")});
  const std::string issued(uuid.value.GetStringOr(""));
  EXPECT_FALSE(issued.empty());
  EXPECT_TRUE(events.seen.empty());  // on a later Yield
  host_.RunDue();
  ASSERT_EQ(events.seen.size(), 1u);
  EXPECT_EQ(events.seen[0].name, "OnServiceProxyUuidEvent");
  EXPECT_EQ(events.seen[0].payload.FieldOrEmpty("uuid").GetStringOr(""), issued);
  EXPECT_EQ(events.seen[0].payload.FieldOrEmpty("payload").GetStringOr(""), "[]");

  // Before the request returns; and a method request carries its reply key.
  login_->SetReplyTiming(ReplyTiming::BeforeRequestReturns);
  Answer second = SendThroughHost(host_, kPost, "/arx-login/v1/service-proxy-uuid-requests",
                                  {Text("toxicfeedback.server"), Text("getReformCard"), BindingProperty(uint32_t{7}), Text("")});
  ASSERT_EQ(events.seen.size(), 2u);
  EXPECT_NE(second.value.GetStringOr(""), issued);  // fresh
  Answer method = SendThroughHost(host_, kPost, "/arx-login/v1/service-proxy-method-requests",
                                  {Text("toxicfeedback.server"), Text("getReformCard"), Text("key-9"), Text("x"),
                                   BindingProperty(uint32_t{7}), Text("{}")});
  EXPECT_EQ(method.error, "");
  ASSERT_EQ(events.seen.size(), 3u);
  EXPECT_EQ(events.seen[2].name, "OnServiceProxyMethodEvent");
  EXPECT_EQ(events.seen[2].payload.FieldOrEmpty("methodName").GetStringOr(""), "key-9");

  EXPECT_EQ(SendThroughHost(host_, kPost, "/arx-login/v1/service-proxy-method-requests", {Text("x")}).status, 400u);
  ASSERT_EQ(login_->serviceProxyRequests().size(), 3u);
  EXPECT_EQ(login_->serviceProxyRequests()[2].replyKey, "key-9");
  EXPECT_EQ(login_->serviceProxyRequests()[2].further, "x");
  EXPECT_EQ(login_->serviceProxyRequests()[0].cookie, 7u);
}

}  // namespace
}  // namespace Vela::Host
