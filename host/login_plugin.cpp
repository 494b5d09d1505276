#include "login_plugin.h"

#include <cstdio>
#include <utility>

#include "plugin_host.h"
#include "sibling_event_names.h"

namespace Vela::Host {
namespace {

constexpr uint32_t kPostMethod = 6;
constexpr uint32_t kBadRequestStatus = 400;

bool AllTexts(const std::vector<BindingProperty>& values, std::initializer_list<std::size_t> indices) {
  for (std::size_t index : indices) {
    if (index >= values.size() || values[index].kind() != BindingKind::String) return false;
  }
  return true;
}

std::string TextAt(const std::vector<BindingProperty>& values, std::size_t index) {
  return std::string(values[index].GetStringOr({}));
}

std::string ReplyKey(std::string_view service, std::string_view method) {
  std::string key(service);
  key += '.';
  key += method;
  return key;
}

}  // namespace

LoginPlugin::LoginPlugin(PluginHost& host)
    : ResourceSibling(host, "arx-login", {std::string(kLoginSessionPath), std::string(kLoginDataPacketPath)}) {}

std::vector<SiblingRoute> LoginPlugin::Routes() const {
  std::vector<SiblingRoute> routes = ResourceSibling::Routes();
  routes.push_back(SiblingRoute{kPostMethod, std::string(kLcdsInvokePath)});
  routes.push_back(SiblingRoute{kPostMethod, std::string(kServiceProxyUuidRequestsPath)});
  routes.push_back(SiblingRoute{kPostMethod, std::string(kServiceProxyMethodRequestsPath)});
  return routes;
}

SiblingReply LoginPlugin::Handle(const SiblingRequest& request) {
  if (request.method == kPostMethod) {
    if (request.path == kLcdsInvokePath) return Invoke(request);
    if (request.path == kServiceProxyUuidRequestsPath) return UuidRequest(request);
    if (request.path == kServiceProxyMethodRequestsPath) return MethodRequest(request);
  }
  return ResourceSibling::Handle(request);
}

// --- LCDS ---

std::size_t LoginPlugin::DeliverLcdsMessage(std::string_view className, const BindingProperty& body,
                                            std::string_view clientId, std::string_view subtopic) {
  BindingProperty payload;
  payload.MutableField("clientId") = clientId;
  payload.MutableField("subtopic") = subtopic;
  payload.MutableField("typeName") = className;
  payload.MutableField("body") = body;
  return host().DeliverEvent(LcdsEventName(className), payload);
}

void LoginPlugin::FailInvokes(uint32_t status, std::string message) {
  invokeFailureStatus_ = status;
  invokeFailureMessage_ = std::move(message);
}

// (destination, operation, [arguments of the remote operation])
SiblingReply LoginPlugin::Invoke(const SiblingRequest& request) {
  const auto& arguments = request.arguments;
  if (arguments.size() != 3 || !AllTexts(arguments, {0, 1}) || arguments[2].kind() != BindingKind::Collection) {
    return SiblingReply::Failure(kBadRequestStatus, std::string(kBadArgumentsMessage));
  }
  invocations_.push_back(LcdsInvocation{TextAt(arguments, 0), TextAt(arguments, 1), arguments[2]});
  if (invokeFailureStatus_ != 0) return SiblingReply::Failure(invokeFailureStatus_, invokeFailureMessage_);
  return SiblingReply::Value(BindingProperty());
}

// --- Service proxy ---

void LoginPlugin::SetServiceReply(std::string_view service, std::string_view method, ServiceProxyReply reply) {
  replies_.insert_or_assign(ReplyKey(service, method), std::move(reply));
}

// (service, method, cookie, payload) → the uuid
SiblingReply LoginPlugin::UuidRequest(const SiblingRequest& request) {
  const auto& arguments = request.arguments;
  if (arguments.size() != 4 || !AllTexts(arguments, {0, 1, 3})) {
    return SiblingReply::Failure(kBadRequestStatus, std::string(kBadArgumentsMessage));
  }
  ServiceProxyRequestRecord record;
  record.byUuid = true;
  record.service = TextAt(arguments, 0);
  record.method = TextAt(arguments, 1);
  record.cookie = arguments[2].AsUnsigned();
  record.payload = TextAt(arguments, 3);
  char uuid[40];
  std::snprintf(uuid, sizeof uuid, "00000000-0000-4000-8000-%012llx", static_cast<unsigned long long>(nextUuid_++));
  record.uuid = uuid;
  requests_.push_back(record);
  SendReply(kServiceProxyUuidEventName, record, record.uuid);
  return SiblingReply::Value(BindingProperty(record.uuid));
}

// (service, method, reply key, further text, cookie, payload) → nothing
SiblingReply LoginPlugin::MethodRequest(const SiblingRequest& request) {
  const auto& arguments = request.arguments;
  if (arguments.size() != 6 || !AllTexts(arguments, {0, 1, 2, 3, 5})) {
    return SiblingReply::Failure(kBadRequestStatus, std::string(kBadArgumentsMessage));
  }
  ServiceProxyRequestRecord record;
  record.byUuid = false;
  record.service = TextAt(arguments, 0);
  record.method = TextAt(arguments, 1);
  record.replyKey = TextAt(arguments, 2);
  record.further = TextAt(arguments, 3);
  record.cookie = arguments[4].AsUnsigned();
  record.payload = TextAt(arguments, 5);
  requests_.push_back(record);
  SendReply(kServiceProxyMethodEventName, record, record.replyKey);
  return SiblingReply::Value(BindingProperty());
}

void LoginPlugin::SendReply(std::string_view eventName, const ServiceProxyRequestRecord& request,
                            std::string_view key) {
  auto found = replies_.find(ReplyKey(request.service, request.method));
  if (found == replies_.end()) {
    silent_.push_back(requests_.size() - 1);
    return;
  }
  Send(eventName, request, key, found->second);
}

void LoginPlugin::ForgetRecords() {
  invocations_.clear();
  if (silent_.empty()) requests_.clear();  // silent_ holds indices into requests_
}

std::size_t LoginPlugin::AnswerSilentRequests() {
  const std::vector<std::size_t> silent = std::exchange(silent_, {});
  for (const std::size_t index : silent) {
    const ServiceProxyRequestRecord& request = requests_[index];
    ServiceProxyReply reply;
    reply.status = kServiceSilentStatus;
    reply.error = "Service " + request.service + " did not answer " + request.method;
    if (request.byUuid) {
      Send(kServiceProxyUuidEventName, request, request.uuid, reply);
    } else {
      Send(kServiceProxyMethodEventName, request, request.replyKey, reply);
    }
  }
  return silent.size();
}

void LoginPlugin::Send(std::string_view eventName, const ServiceProxyRequestRecord& request, std::string_view key,
                       const ServiceProxyReply& reply) {
  BindingProperty payload;
  payload.MutableField("uuid") = request.byUuid ? request.uuid : std::string();
  payload.MutableField("serviceName") = request.service;
  // Method replies are matched by the reply key, which they carry as their method name.
  payload.MutableField("methodName") = request.byUuid ? request.method : std::string(key);
  payload.MutableField("payload") = reply.payload;
  payload.MutableField("status") = reply.status;
  payload.MutableField("error") = reply.error;
  if (timing_ == ReplyTiming::BeforeRequestReturns) {
    host().DeliverEvent(eventName, payload);
  } else {
    host().ScheduleEvent(eventName, std::move(payload));
  }
}

}  // namespace Vela::Host
