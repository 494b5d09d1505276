// CallContext: what the outbound calls need from the plugin module. The module implements
// it; the typed requests, the LCDS subscriptions, the service-proxy table, the resource
// observers and the telemetry sender reach the host only through it, so they can live
// below the module and be tested with a fake.
//
//   MaybeType<Failure, Session> session =
//       RequestOf<Session>(module, HttpMethod::Get, "/arx-login/v1/session");
//
// Everything here runs on the host's thread. Operations that may yield to the host say so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "abi/host_request.h"
#include "abi/host_response.h"
#include "calls/plugin_records.h"

namespace Vela {

class BindingRegistry;

class CallContext {
 public:
  using LcdsEventHandler = std::function<void(const Plugin::PluginLcdsEvent&)>;

  // The host's Request: sends `in` to another plugin and returns when `out` is filled.
  virtual void Request(HostResponse* out, const HostRequest* in) = 0;
  // Hands control to the host once (BeginWait "Wait: yield", Yield, EndWait). May run any
  // of the plugin's callbacks before it returns.
  virtual uint64_t WaitYield() = 0;
  // Counts a subscription to the resource's event; the first one registers the module's
  // resource-event dispatcher with the host.
  virtual void Subscribe(std::string_view resourcePath) = 0;
  // Registers `handler` for the host event `eventName` (replacing an earlier one).
  virtual void RegisterHandler(std::string_view eventName, LcdsEventHandler handler, uint32_t flag) = 0;
  // Runs `task` once on the host's loop at `deadlineNanoseconds` (monotonic clock).
  virtual void PostTask(std::string_view label, int64_t deadlineNanoseconds,
                        std::function<void()> task) = 0;

  // The registry every conversion goes through; null before the module is registered.
  [[nodiscard]] virtual const BindingRegistry* conversionTypes() const = 0;
  // The word handed back to the host with every request (the plugin cookie).
  [[nodiscard]] virtual uint32_t cookie() const = 0;
  // The first argument of log lines.
  [[nodiscard]] virtual const std::string& shortName() const = 0;
  // True once Stop has begun.
  [[nodiscard]] virtual bool stopping() const = 0;

 protected:
  ~CallContext() = default;
};

}  // namespace Vela
