#include "calls/service_proxy.h"

#include <optional>

#include "logging/log_groups.h"
#include "logging/logger.h"
#include "util/format_text.h"

namespace Vela {
namespace {

std::string JoinKey(std::string_view first, std::string_view second) {
  return FormatText(kServiceProxyKeyTemplate, first, second);
}

}  // namespace

std::string ServiceProxyCalls::Request(std::string_view service, std::string_view method,
                                       const BindingProperty& payload, std::string_view replyKey,
                                       std::string_view further, Completion completion) {
  if (context_.stopping()) return std::string(kServiceProxyFinalizing);
  const std::string payloadText = WriteJson(payload, context_.conversionTypes());
  const std::string name = JoinKey(service, method);
  const char* shortName = context_.shortName().c_str();
  LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, kServiceProxyPreparingFormat,
             shortName, name.c_str());

  std::string requestKey;
  if (replyKey.empty()) {
    MaybeType<Failure, std::string> uuid =
        RequestOf<std::string>(context_, HttpMethod::Post, kServiceProxyUuidRequestPath, std::string(service),
                               std::string(method), context_.cookie(), payloadText);
    if (!uuid.ok()) return std::string(uuid.message());
    requestKey = std::move(uuid).value();
  } else {
    requestKey = JoinKey(service, replyKey);
    bool inFlight = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      inFlight = pending_.find(requestKey) != pending_.end();
    }
    if (inFlight) {
      LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, kServiceProxyInFlightFormat, shortName);
      return std::string(kServiceProxyInFlight);
    }
    MaybeType<Failure, bool> sent =
        Send(context_, HttpMethod::Post, kServiceProxyMethodRequestPath, std::string(service), std::string(method),
             std::string(replyKey), std::string(further), context_.cookie(), payloadText);
    if (!sent.ok()) return std::string(sent.message());
  }

  LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, kServiceProxyStartedFormat, shortName,
             name.c_str(), requestKey.c_str());
  {
    std::lock_guard<std::mutex> guard(lock_);
    pending_.insert_or_assign(std::move(requestKey), std::move(completion));
  }
  Fulfil();
  return {};
}

void ServiceProxyCalls::OnUuidReply(const Plugin::PluginServiceProxyResponse& reply) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    arrived_.insert_or_assign(reply.uuid, reply);
  }
  Fulfil();
}

void ServiceProxyCalls::OnMethodReply(const Plugin::PluginServiceProxyResponse& reply) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    arrived_.insert_or_assign(JoinKey(reply.serviceName, reply.methodName), reply);
  }
  Fulfil();
}

void ServiceProxyCalls::OnAsyncReply(const Plugin::PluginServiceProxyResponse& reply) {
  const std::string key = JoinKey(reply.serviceName, reply.methodName);
  Completion handler;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = asyncHandlers_.find(key);
    if (found != asyncHandlers_.end()) handler = found->second;
  }
  if (!handler) {
    LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, kServiceProxyNoAsyncHandlerFormat,
               context_.shortName().c_str(), key.c_str());
    return;
  }
  handler(reply);
}

void ServiceProxyCalls::RegisterAsyncHandler(std::string_view service, std::string_view method,
                                             Completion handler) {
  std::lock_guard<std::mutex> guard(lock_);
  asyncHandlers_.insert_or_assign(JoinKey(service, method), std::move(handler));
}

void ServiceProxyCalls::Fulfil() {
  std::string key;
  Completion completion;
  std::optional<Plugin::PluginServiceProxyResponse> reply;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto arrived = arrived_.begin(); arrived != arrived_.end(); ++arrived) {
      auto pending = pending_.find(arrived->first);
      if (pending == pending_.end()) continue;
      key = arrived->first;
      completion = std::move(pending->second);
      reply = std::move(arrived->second);
      pending_.erase(pending);
      arrived_.erase(arrived);
      break;
    }
  }
  if (!reply.has_value()) return;
  // Outside the lock: the callback may start the next request.
  if (completion) completion(*reply);
  LogMessage(LogLevel::Always, static_cast<uint32_t>(kLogGroupDbg), 0, kServiceProxyFulfilledFormat,
             context_.shortName().c_str(), key.c_str());
}

void ServiceProxyCalls::Clear() {
  // Destroyed outside the lock: a dropped typed request completes its future then.
  std::map<std::string, Completion, std::less<>> pending;
  std::map<std::string, Plugin::PluginServiceProxyResponse, std::less<>> arrived;
  std::map<std::string, Completion, std::less<>> asyncHandlers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    pending.swap(pending_);
    asyncHandlers.swap(asyncHandlers_);
    arrived.swap(arrived_);
  }
}

std::size_t ServiceProxyCalls::PendingCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return pending_.size();
}

std::size_t ServiceProxyCalls::ArrivedCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return arrived_.size();
}

}  // namespace Vela
