// The simulated login plugin: the login session and login data packet resources, the LCDS
// connection to the back end (message delivery and remote invokes) and the service proxy,
// whose back-end services answer with replies a test or scenario configures.
//
//   auto login = std::make_shared<LoginPlugin>(host);
//   host.AddSibling(login);
//   login->Set(kLoginSessionPath, session);                   // published as Create
//   login->DeliverLcdsMessage("com.velaworks.platform.messaging.ForcedClientShutdown", body);
//   login->SetServiceReply("toxicfeedback.server", "getReformCard", {"[]"});
//
// Service proxy: a uuid request (service, method, cookie, payload) answers a fresh uuid; a
// method request (service, method, reply key, further text, cookie, payload) answers an
// empty value. Either way the named service's configured reply is then sent back as
// "OnServiceProxyUuidEvent" (carrying the uuid) or "OnServiceProxyMethodEvent" (carrying the
// reply key as its method name): on the host's loop, so on a later Yield, or — with
// ReplyTiming::BeforeRequestReturns — delivered before the request itself returns. A
// service with no configured reply stays silent, as an unreachable one would, until
// AnswerSilentRequests: then it fails as the client's proxy does when a service never
// answers (the session calls it when the plugin waits on nothing the host could deliver).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "resource_sibling.h"

namespace Vela::Host {

inline constexpr std::string_view kLoginSessionPath = "/arx-login/v1/session";
inline constexpr std::string_view kLoginDataPacketPath = "/arx-login/v1/login-data-packet";
inline constexpr std::string_view kLcdsInvokePath = "/arx-login/v1/session/invoke";
inline constexpr std::string_view kServiceProxyUuidRequestsPath = "/arx-login/v1/service-proxy-uuid-requests";
inline constexpr std::string_view kServiceProxyMethodRequestsPath = "/arx-login/v1/service-proxy-method-requests";
inline constexpr std::string_view kServiceProxyUuidEventName = "OnServiceProxyUuidEvent";
inline constexpr std::string_view kServiceProxyMethodEventName = "OnServiceProxyMethodEvent";
// The failure of a request whose arguments are not what the function takes.
inline constexpr std::string_view kBadArgumentsMessage = "Bad request: unexpected arguments";
// The status of a reply to a request its service never answered (its error: "Service S did
// not answer M").
inline constexpr std::string_view kServiceSilentStatus = "TIMEOUT";

// What a back-end service answers; the fields of the reply event besides its keys.
struct ServiceProxyReply {
  std::string payload;  // JSON text
  std::string error;
  std::string status = "OK";
};

enum class ReplyTiming {
  OnLaterYield,
  BeforeRequestReturns,
};

// One accepted service-proxy request, as the login plugin saw it.
struct ServiceProxyRequestRecord {
  bool byUuid = true;
  std::string service;
  std::string method;
  std::string replyKey;  // method requests
  std::string further;   // method requests
  uint64_t cookie = 0;
  std::string payload;
  std::string uuid;  // uuid requests
};

// One LCDS invoke: the destination, the operation and the remote operation's arguments.
struct LcdsInvocation {
  std::string destination;
  std::string operation;
  BindingProperty arguments;
};

class LoginPlugin final : public ResourceSibling {
 public:
  explicit LoginPlugin(PluginHost& host);

  std::vector<SiblingRoute> Routes() const override;
  SiblingReply Handle(const SiblingRequest& request) override;

  // --- LCDS. ---
  // Fires "OnLcdsEvent_<class>" now (as the login plugin does when a message arrives) with
  // a PluginLcdsEvent payload; returns how many handlers took it.
  std::size_t DeliverLcdsMessage(std::string_view className, const BindingProperty& body,
                                 std::string_view clientId = "clientFacadeService",
                                 std::string_view subtopic = "");
  // Makes every later invoke fail with `status` and `message` (status 0: succeed again).
  void FailInvokes(uint32_t status, std::string message);
  [[nodiscard]] const std::vector<LcdsInvocation>& invocations() const { return invocations_; }

  // --- Service proxy. ---
  void SetServiceReply(std::string_view service, std::string_view method, ServiceProxyReply reply);
  void SetReplyTiming(ReplyTiming timing) { timing_ = timing; }
  // Schedules a failed reply (kServiceSilentStatus) to every request that had no configured
  // reply; answers how many.
  std::size_t AnswerSilentRequests();
  [[nodiscard]] const std::vector<ServiceProxyRequestRecord>& serviceProxyRequests() const { return requests_; }
  // Forgets the invokes and requests kept for inspection, so that a long-running host does
  // not pile them up; while a request still waits for its silent reply, requests are kept.
  void ForgetRecords();

 private:
  SiblingReply Invoke(const SiblingRequest& request);
  SiblingReply UuidRequest(const SiblingRequest& request);
  SiblingReply MethodRequest(const SiblingRequest& request);
  void SendReply(std::string_view eventName, const ServiceProxyRequestRecord& request, std::string_view key);
  void Send(std::string_view eventName, const ServiceProxyRequestRecord& request, std::string_view key,
            const ServiceProxyReply& reply);

  std::vector<LcdsInvocation> invocations_;
  uint32_t invokeFailureStatus_ = 0;
  std::string invokeFailureMessage_;
  std::map<std::string, ServiceProxyReply, std::less<>> replies_;
  ReplyTiming timing_ = ReplyTiming::OnLaterYield;
  std::vector<ServiceProxyRequestRecord> requests_;
  std::vector<std::size_t> silent_;  // indices into requests_
  uint64_t nextUuid_ = 1;
};

}  // namespace Vela::Host
