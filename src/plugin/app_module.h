// AppModule: the plugin module, one per loaded plugin. It owns the plugin's tables and is
// the only object through which the rest of the plugin reaches the host.
//
// Life: created by the loader, registered by the handshake (version check, name, own types
// and events, RegisterApi, API description), started by the host's Start (log forwarding,
// OnStart), stopped and destroyed by the host's Stop. The host owns it from load to Stop.
//
//   class MyModule : public AppModule {
//     bool OnStart() override { Subscribe("/arx-login/v1/session"); return true; }
//   };
//   void* context = LoadPluginModule(block, "my-plugin", std::make_unique<MyModule>());
//
// Every entry from the host (Start, Stop, GetMemoryStats, event callbacks, tasks) catches
// whatever the plugin throws and logs it: no exception crosses into the host.
//
// The module is the CallContext of the outbound calls and owns their tables: typed
// requests (calls/typed_request.h) take the module itself, and
//   observers()     observe other plugins' resources (Observe<T>);
//   lcds()          LCDS invokes, the class table and message subscriptions;
//   serviceProxy()  service-proxy requests (RequestAs<T>), fed by the three service-proxy
//                   events the module registers at Start;
//   telemetry()     telemetry events (after Start).
//
// Everything except the task table and the log target runs on the host's thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "abi/host_api.h"
#include "binding/maybe_type.h"
#include "binding/static_type.h"
#include "calls/call_context.h"
#include "calls/lcds_calls.h"
#include "calls/resource_observers.h"
#include "calls/service_proxy.h"
#include "calls/telemetry_sender.h"
#include "logging/logger.h"
#include "plugin/plugin_name.h"
#include "plugin/plugin_types.h"
#include "plugin/task_table.h"
#include "util/fnv1a.h"
#include "util/format_text.h"
#include "util/version.h"

namespace Vela {

class ApiRegistry;
class PluginLogTarget;

// Log lines of the module's own boundary (the short name first).
inline constexpr const char* kUncaughtExceptionFormat = "%s: %s failed: %s";
inline constexpr const char* kUnknownExceptionText = "unknown exception";
// Awaiting a future: the wait's label (the awaited type's name) and the text formatted when
// the future has no shared state (the error's code value, its message).
inline constexpr std::string_view kAwaitLabel = "Wait: future<%1>";
inline constexpr std::string_view kAwaitFutureErrorMessage =
    "Caught std::future_error in AppModule::Await: (%1) %2";
inline constexpr const char* kWaitYieldLabel = "Wait: yield";
// User agent: the host's version text and the short name.
inline constexpr std::string_view kUserAgentTemplate = "VelaClient/%1 (%2)";
// SendEvent before the handshake has no registry to convert with.
inline constexpr std::string_view kModuleNotRegisteredMessage = "The module is not registered";
inline constexpr std::string_view kPluginsTag = "Plugins";
inline constexpr std::string_view kPluginTagPrefix = "Plugin ";

// The monotonic clock of task deadlines, in nanoseconds.
[[nodiscard]] int64_t MonotonicNowNanoseconds();

class AppModule : public CallContext {
 public:
  // Handlers of the three kinds of incoming host events, each fed with its converted payload.
  using ResourceEventHandler = std::function<void(const Plugin::PluginResourceEvent&)>;
  using LcdsEventHandler = std::function<void(const Plugin::PluginLcdsEvent&)>;
  using ServiceProxyEventHandler = std::function<void(const Plugin::PluginServiceProxyResponse&)>;

  AppModule();
  AppModule(const AppModule&) = delete;
  AppModule& operator=(const AppModule&) = delete;

  // --- Subscriptions (reference counted by event name). ---
  // The first Subscribe of an event name registers the resource-event dispatcher with the
  // host (flag 0); later ones only count.
  void Subscribe(std::string_view resourcePath) override;
  // The Unsubscribe that balances the last Subscribe unregisters the event; an Unsubscribe
  // without a matching Subscribe does nothing.
  virtual void Unsubscribe(std::string_view resourcePath);

  virtual ~AppModule();

  // Unregisters every handled event and clears the event tables. Subscription counts and
  // the task table stay: the module is destroyed right after.
  virtual void Shutdown();

  // --- Forwarders: each passes its arguments to the host function of the same slot. Before
  // Start (no host yet) they do nothing and EndWait answers 0. ---
  void Request(HostResponse* out, const HostRequest* in) override;
  virtual void Unused1(uint32_t first, uint32_t second);
  virtual void FireEvent(const HostEvent* event);
  virtual void RegisterEventHandler(const char* name, uint32_t cookie, HostEventCallback callback,
                                    void* context, uint32_t flag);
  virtual void UnregisterEventHandler(const char* name, uint32_t cookie);
  virtual void PostTask(const char* label, HostTaskCallback callback, void* context,
                        double delaySeconds, uint32_t zero);
  virtual void Yield();
  virtual void BeginWait(const char* label, uint32_t zero);
  virtual uint64_t EndWait();

  // --- Hooks. ---
  // Registers the plugin's REST functions and records; nothing in the base.
  virtual void RegisterApi() {}
  // Starts the plugin's own logic; Start answers its result. True in the base.
  virtual bool OnStart() { return true; }

  // --- Handshake, Start, Stop (the loader and the C entries call these). ---
  // Checks the host's version (a fatal assertion when incompatible: the process ends and
  // nothing is written back), names the plugin, registers the module's types and events,
  // calls RegisterApi, builds the API description and writes the answer into `block`.
  void Handshake(PluginLoadBlock* block, std::string_view shortName);
  // Log forwarding, user agent, cookie; then OnStart.
  bool Start(HostApi* host);
  // Sets the stopping flag and shuts down; the caller destroys the module afterwards.
  void Stop();

  // --- Events. ---
  // Stores `handler` under `eventName` (releasing any previous one) and registers the
  // module's callback for that kind of payload with the host.
  void RegisterHandler(std::string_view eventName, ResourceEventHandler handler, uint32_t flag);
  void RegisterHandler(std::string_view eventName, LcdsEventHandler handler, uint32_t flag) override;
  void RegisterHandler(std::string_view eventName, ServiceProxyEventHandler handler, uint32_t flag);

  // Fires `event` under the event name of its uri and, when `eventName` differs from that,
  // again under `eventName`. Fails (and fires nothing) when the event cannot be converted.
  [[nodiscard]] MaybeType<Failure, bool> SendEvent(std::string_view eventName,
                                                   const Plugin::PluginResourceEvent& event,
                                                   uint32_t word = 0);
  // Publishes the Delete of `resourcePath` (empty data) through "OnJsonApiEvent".
  [[nodiscard]] MaybeType<Failure, bool> PublishDeletion(std::string_view resourcePath);

  // --- Waiting and tasks (may yield to the host, which runs other callbacks meanwhile). ---
  // Returns the future's result; while it is not ready, yields to the host between one
  // BeginWait and one EndWait. A ready future costs no host call. A future without shared
  // state is a fatal assertion.
  template <class T>
  MaybeType<Failure, T> Await(std::future<MaybeType<Failure, T>> future);
  // BeginWait("Wait: yield"), Yield, EndWait; answers EndWait's result.
  uint64_t WaitYield() override;
  // Runs `task` once on the host's loop at `deadlineNanoseconds` of MonotonicNowNanoseconds
  // (at once when that has passed). The task's exceptions are caught and logged.
  void PostTask(std::string_view label, int64_t deadlineNanoseconds, std::function<void()> task) override;

  // --- What the module knows. ---
  [[nodiscard]] const std::string& shortName() const override { return shortName_; }
  [[nodiscard]] const std::string& userAgent() const { return userAgent_; }
  [[nodiscard]] uint32_t cookie() const override { return cookie_; }
  [[nodiscard]] const Version& hostVersion() const { return hostVersion_; }
  [[nodiscard]] const PluginName& pluginName() const { return pluginName_; }
  [[nodiscard]] const std::string& nameKey() const { return nameKey_; }
  [[nodiscard]] const std::vector<std::string>& tags() const { return tags_; }
  [[nodiscard]] bool stopping() const override { return stopping_; }
  [[nodiscard]] HostApi* hostApi() const { return hostApi_; }
  [[nodiscard]] ApiRegistry* registry() const { return registry_.get(); }
  // The registry's types; null before the handshake.
  [[nodiscard]] const BindingRegistry* conversionTypes() const override;
  [[nodiscard]] const PluginFunctionTable* functions() const { return &functions_; }
  [[nodiscard]] const ApiDescription* apiDescription() const { return apiDescription_; }
  // Count of Subscribe calls not yet balanced for `eventName` (0 when none).
  [[nodiscard]] uint32_t SubscriptionCount(std::string_view eventName) const;
  [[nodiscard]] bool HasHandler(std::string_view eventName) const;
  [[nodiscard]] std::size_t PendingTaskCount() const { return tasks_.size(); }

  // --- Outbound calls (the tables live until Shutdown clears them). ---
  ResourceObservers& observers() noexcept { return observers_; }
  LcdsCalls& lcds() noexcept { return lcds_; }
  ServiceProxyCalls& serviceProxy() noexcept { return serviceProxy_; }
  // Null before Start.
  [[nodiscard]] TelemetrySender* telemetry() const noexcept { return telemetry_.get(); }

  // Logs an exception that reached a host entry (`entry` names it) at level 2.
  void LogEntryFailure(const char* entry, const char* what) const;

 protected:
  // Where changes of subscribed resources arrive: the resource observers' dispatcher.
  virtual void OnResourceEvent(const Plugin::PluginResourceEvent& event);

 private:
  enum class PayloadKind { Resource, Lcds, ServiceProxy };
  struct EventHandlerEntry {
    PayloadKind kind;
    ResourceEventHandler onResource;
    LcdsEventHandler onLcds;
    ServiceProxyEventHandler onServiceProxy;
  };
  using NameMap = std::unordered_map<std::string, uint32_t, Fnv1aHash, std::equal_to<>>;
  using HandlerMap =
      std::unordered_map<std::string, std::shared_ptr<EventHandlerEntry>, Fnv1aHash, std::equal_to<>>;

  void RegisterHandlerEntry(std::string_view eventName, std::shared_ptr<EventHandlerEntry> entry,
                            HostEventCallback callback, uint32_t flag);
  void HandleHostEvent(const HostEvent& event, PayloadKind kind);
  void InstallLogTarget(HostApi* host);
  void WaitUntilReady(const std::function<bool()>& ready, std::string_view typeName);
  [[noreturn]] static void FailAwait(const std::future_error& error);

  static uint8_t StartEntry(void* context, HostApi* host);
  static void StopEntry(void* context);
  static void GetMemoryStatsEntry(void* context, uint32_t out[14]);
  static void OnResourceHostEvent(const HostEvent* event);
  static void OnLcdsHostEvent(const HostEvent* event);
  static void OnServiceProxyHostEvent(const HostEvent* event);
  static void RunTask(void* context);

  // The module holds the process logger from construction to destruction, so it is
  // declared first (released last).
  LoggerReference logger_;
  ResourceObservers observers_{*this};
  AppModule* self_ = nullptr;  // set at Start
  uint32_t cookie_ = 0;
  std::string shortName_;
  std::string userAgent_;
  std::unique_ptr<TelemetrySender> telemetry_;
  LcdsCalls lcds_{*this};
  HandlerMap handlers_;
  NameMap subscriptions_;
  ServiceProxyCalls serviceProxy_{*this};
  TaskTable tasks_;
  bool stopping_ = false;
  Version hostVersion_;
  std::unique_ptr<PluginLogTarget> logTarget_;
  PluginName pluginName_;
  std::string nameKey_;
  std::vector<std::string> tags_;
  std::unique_ptr<ApiRegistry> registry_;
  HostApi* hostApi_ = nullptr;
  PluginFunctionTable functions_{&StartEntry, &StopEntry, &GetMemoryStatsEntry};
  const ApiDescription* apiDescription_ = nullptr;
};

// Creates nothing: runs the handshake of `module` with `block` and hands the module to the
// host as the context word (the host gives it back to Stop, which destroys it). Returns null
// when the handshake fails without ending the process; then nothing is written back.
void* LoadPluginModule(PluginLoadBlock* block, std::string_view shortName,
                       std::unique_ptr<AppModule> module);

// --- Out-of-line definitions. ---

template <class T>
MaybeType<Failure, T> AppModule::Await(std::future<MaybeType<Failure, T>> future) {
  try {
    if (!future.valid()) {
      // Waiting on it would be undefined; report it as the standard library would.
      throw std::future_error(std::future_errc::no_state);
    }
    WaitUntilReady(
        [&future] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        StaticTypeName<T>());
    return future.get();
  } catch (const std::future_error& error) {
    FailAwait(error);
  }
}

}  // namespace Vela
