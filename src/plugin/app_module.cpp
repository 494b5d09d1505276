#include "plugin/app_module.h"

#include <chrono>
#include <exception>
#include <utility>

#include "binding/host_value_conversion.h"
#include "logging/assertion.h"
#include "logging/log_groups.h"
#include "plugin/memory_counters.h"
#include "plugin/plugin_api_version.h"
#include "plugin/plugin_log_target.h"
#include "plugin/plugin_type_registration.h"
#include "plugin/resource_event_name.h"
#include "rest/api_registry.h"
#include "binding/native_type.h"
#include "rest/function_name.h"

namespace Vela {
namespace {

constexpr std::string_view kPayloadRootName = "<result>";
constexpr uint32_t kResourceSubscriptionFlag = 0;
constexpr uint32_t kServiceProxyEventFlag = 1;
constexpr uint64_t kExcludedGroupsAtStart = 4;  // XTR

// Runs one entry from the host, turning any exception into a log line: nothing may unwind
// into the host's frames.
template <class Body>
void GuardEntry(const AppModule* module, const char* entry, Body&& body) noexcept {
  try {
    body();
  } catch (const std::exception& error) {
    try {
      if (module != nullptr) module->LogEntryFailure(entry, error.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      if (module != nullptr) module->LogEntryFailure(entry, kUnknownExceptionText);
    } catch (...) {
    }
  }
}

}  // namespace

int64_t MonotonicNowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

AppModule::AppModule() = default;

AppModule::~AppModule() {
  // The log target refers to the host's table: detach it before anything else goes.
  logTarget_.reset();
}

void AppModule::LogEntryFailure(const char* entry, const char* what) const {
  LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, kUncaughtExceptionFormat,
             shortName_.c_str(), entry, what);
}

// --- Forwarders ---

void AppModule::Request(HostResponse* out, const HostRequest* in) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->Request(table, out, in);
}

void AppModule::Unused1(uint32_t first, uint32_t second) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->Unused1(table, first, second);
}

void AppModule::FireEvent(const HostEvent* event) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->FireEvent(table, event);
}

void AppModule::RegisterEventHandler(const char* name, uint32_t cookie, HostEventCallback callback,
                                     void* context, uint32_t flag) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->RegisterEventHandler(table, name, cookie, callback, context, flag);
}

void AppModule::UnregisterEventHandler(const char* name, uint32_t cookie) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->UnregisterEventHandler(table, name, cookie);
}

void AppModule::PostTask(const char* label, HostTaskCallback callback, void* context,
                         double delaySeconds, uint32_t zero) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->PostTask(table, label, callback, context, delaySeconds, zero);
}

void AppModule::Yield() {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->Yield(table);
}

void AppModule::BeginWait(const char* label, uint32_t zero) {
  if (hostApi_ == nullptr) return;
  HostFunctionTable* table = hostApi_->table;
  table->BeginWait(table, label, zero);
}

uint64_t AppModule::EndWait() {
  if (hostApi_ == nullptr) return 0;
  HostFunctionTable* table = hostApi_->table;
  return table->EndWait(table);
}

// --- Handshake, Start, Stop ---

void AppModule::Handshake(PluginLoadBlock* block, std::string_view shortName) {
  const Version host{block->major, block->minor, block->patch, {}, {}};
  if (!IsCompatibleHostVersion(host)) {
    const std::string message =
        FormatText(kIncompatibleHostMessage, shortName, PluginApiVersion(), host);
    LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, "%s", message.c_str());
    FatalAssertion(kAssertIncompatiblePluginApi, "", "", 0, "");
  }
  hostVersion_ = host;
  shortName_ = shortName;
  pluginName_ = GetFullNameFromShortNameAndType(shortName, kBackendPluginType);
  tags_ = {std::string(kPluginsTag), std::string(kPluginTagPrefix) + std::string(shortName)};
  nameKey_ = MakeFunctionName("", shortName);

  registry_ = std::make_unique<ApiRegistry>();
  registry_->SetModuleTags(tags_);
  RegisterPluginTypes(registry_->types());
  RegisterApi();
  apiDescription_ = &registry_->BuildApiDescription();

  const Version& plugin = PluginApiVersion();
  block->major = plugin.major;
  block->minor = plugin.minor;
  block->patch = plugin.patch;
  block->functions = &functions_;
  block->context = this;
  block->shortName = shortName_.c_str();
  // The host only reads the block; the C record has no const.
  block->api = const_cast<ApiDescription*>(apiDescription_);
}

bool AppModule::Start(HostApi* host) {
  hostApi_ = host;
  self_ = this;
  InstallLogTarget(host);
  userAgent_ = FormatText(kUserAgentTemplate, hostVersion_, shortName_);
  cookie_ = host->cookie;
  telemetry_ = std::make_unique<TelemetrySender>(*this);
  RegisterHandler(Plugin::kServiceProxyUuidEventName,
                  ServiceProxyEventHandler([this](const Plugin::PluginServiceProxyResponse& reply) {
                    serviceProxy_.OnUuidReply(reply);
                  }),
                  kServiceProxyEventFlag);
  RegisterHandler(Plugin::kServiceProxyMethodEventName,
                  ServiceProxyEventHandler([this](const Plugin::PluginServiceProxyResponse& reply) {
                    serviceProxy_.OnMethodReply(reply);
                  }),
                  kServiceProxyEventFlag);
  RegisterHandler(Plugin::kServiceProxyAsyncEventName,
                  ServiceProxyEventHandler([this](const Plugin::PluginServiceProxyResponse& reply) {
                    serviceProxy_.OnAsyncReply(reply);
                  }),
                  kServiceProxyEventFlag);
  return OnStart();
}

void AppModule::InstallLogTarget(HostApi* host) {
  if (FindTarget(kPluginLogTargetName) != nullptr) return;
  for (LogSink* builtIn : {StdErrTarget(), StdOutTarget(), DebuggerTarget()}) {
    if (builtIn != nullptr) builtIn->Detach();
  }
  SetMinimumLevel(LogLevel::Okay);
  SetExcludedGroups(kExcludedGroupsAtStart);
  auto target = std::make_unique<PluginLogTarget>(host->table);
  target->SetLevel(MinimumLevel());
  target->SetGroups(0, 0);
  target->Attach();
  logTarget_ = std::move(target);  // destroys (and so detaches) any earlier one
}

void AppModule::Stop() {
  stopping_ = true;
  Shutdown();
}

void AppModule::Shutdown() {
  for (const auto& [name, entry] : handlers_) {
    UnregisterEventHandler(name.c_str(), cookie_);
  }
  handlers_.clear();
  lcds_.Clear();
  // Typed service-proxy requests still awaited complete with "Finalizing" here.
  serviceProxy_.Clear();
  observers_.Clear();
}

// --- C entries ---

uint8_t AppModule::StartEntry(void* context, HostApi* host) {
  auto* module = static_cast<AppModule*>(context);
  bool started = false;
  if (module == nullptr || host == nullptr || host->table == nullptr) return 0;
  GuardEntry(module, "Start", [&] { started = module->Start(host); });
  return started ? 1 : 0;
}

void AppModule::StopEntry(void* context) {
  auto* module = static_cast<AppModule*>(context);
  if (module == nullptr) return;
  GuardEntry(module, "Stop", [&] { module->Stop(); });
  // Destruction is the end of the module whatever Stop did.
  GuardEntry(nullptr, "Stop", [&] { delete module; });
}

void AppModule::GetMemoryStatsEntry(void*, uint32_t out[14]) {
  if (out == nullptr) return;
  WriteMemoryStats(ReadMemoryCounters(), out);
}

void* LoadPluginModule(PluginLoadBlock* block, std::string_view shortName,
                       std::unique_ptr<AppModule> module) {
  if (block == nullptr || module == nullptr) return nullptr;
  bool loaded = false;
  GuardEntry(module.get(), "Load", [&] {
    module->Handshake(block, shortName);
    loaded = true;
  });
  if (!loaded) return nullptr;
  // From here the host owns the module; Stop destroys it.
  return module.release();
}

// --- Subscriptions and events ---

uint32_t AppModule::SubscriptionCount(std::string_view eventName) const {
  auto found = subscriptions_.find(eventName);
  return found == subscriptions_.end() ? 0 : found->second;
}

bool AppModule::HasHandler(std::string_view eventName) const {
  return handlers_.find(eventName) != handlers_.end();
}

void AppModule::Subscribe(std::string_view resourcePath) {
  const std::string eventName = EventNameOfResourcePath(resourcePath);
  uint32_t& count = subscriptions_[eventName];
  ++count;
  if (count == 1) {
    RegisterHandler(
        eventName,
        ResourceEventHandler([this](const Plugin::PluginResourceEvent& event) { OnResourceEvent(event); }),
        kResourceSubscriptionFlag);
  }
}

void AppModule::Unsubscribe(std::string_view resourcePath) {
  const std::string eventName = EventNameOfResourcePath(resourcePath);
  auto found = subscriptions_.find(eventName);
  // An unbalanced Unsubscribe must not wrap the count around and unregister someone else.
  if (found == subscriptions_.end() || found->second == 0) return;
  if (--found->second == 0) {
    UnregisterEventHandler(eventName.c_str(), cookie_);
    handlers_.erase(eventName);
  }
}

void AppModule::OnResourceEvent(const Plugin::PluginResourceEvent& event) { observers_.Dispatch(event); }

const BindingRegistry* AppModule::conversionTypes() const {
  return registry_ == nullptr ? nullptr : &registry_->types();
}

void AppModule::RegisterHandler(std::string_view eventName, ResourceEventHandler handler, uint32_t flag) {
  auto entry = std::make_shared<EventHandlerEntry>();
  entry->kind = PayloadKind::Resource;
  entry->onResource = std::move(handler);
  RegisterHandlerEntry(eventName, std::move(entry), &OnResourceHostEvent, flag);
}

void AppModule::RegisterHandler(std::string_view eventName, LcdsEventHandler handler, uint32_t flag) {
  auto entry = std::make_shared<EventHandlerEntry>();
  entry->kind = PayloadKind::Lcds;
  entry->onLcds = std::move(handler);
  RegisterHandlerEntry(eventName, std::move(entry), &OnLcdsHostEvent, flag);
}

void AppModule::RegisterHandler(std::string_view eventName, ServiceProxyEventHandler handler,
                                uint32_t flag) {
  auto entry = std::make_shared<EventHandlerEntry>();
  entry->kind = PayloadKind::ServiceProxy;
  entry->onServiceProxy = std::move(handler);
  RegisterHandlerEntry(eventName, std::move(entry), &OnServiceProxyHostEvent, flag);
}

void AppModule::RegisterHandlerEntry(std::string_view eventName,
                                     std::shared_ptr<EventHandlerEntry> entry,
                                     HostEventCallback callback, uint32_t flag) {
  std::string name(eventName);
  handlers_[name] = std::move(entry);  // releases any previous handler
  RegisterEventHandler(name.c_str(), cookie_, callback, this, flag);
}

void AppModule::OnResourceHostEvent(const HostEvent* event) {
  if (event == nullptr) return;
  auto* module = static_cast<AppModule*>(event->context);
  GuardEntry(module, "OnJsonApiEvent", [&] {
    if (module != nullptr) module->HandleHostEvent(*event, PayloadKind::Resource);
  });
}

void AppModule::OnLcdsHostEvent(const HostEvent* event) {
  if (event == nullptr) return;
  auto* module = static_cast<AppModule*>(event->context);
  GuardEntry(module, "OnLcdsEvent", [&] {
    if (module != nullptr) module->HandleHostEvent(*event, PayloadKind::Lcds);
  });
}

void AppModule::OnServiceProxyHostEvent(const HostEvent* event) {
  if (event == nullptr) return;
  auto* module = static_cast<AppModule*>(event->context);
  GuardEntry(module, "OnServiceProxyEvent", [&] {
    if (module != nullptr) module->HandleHostEvent(*event, PayloadKind::ServiceProxy);
  });
}

void AppModule::HandleHostEvent(const HostEvent& event, PayloadKind kind) {
  if (event.name == nullptr || registry_ == nullptr) return;
  auto found = handlers_.find(std::string_view(event.name));
  if (found == handlers_.end()) return;
  // Held for the call: the handler may replace or remove its own entry.
  std::shared_ptr<EventHandlerEntry> entry = found->second;
  if (entry->kind != kind) return;

  BindingResult payload = FromHostValue(event.payload, kPayloadRootName);
  if (!payload.ok()) return;  // undecodable payloads are dropped silently
  switch (kind) {
    case PayloadKind::Resource: {
      auto converted = ConvertPayload<Plugin::PluginResourceEvent>(registry_->types(), payload.value(),
                                                                   kPayloadRootName);
      if (converted.ok() && entry->onResource) entry->onResource(converted.value());
      return;
    }
    case PayloadKind::Lcds: {
      auto converted =
          ConvertPayload<Plugin::PluginLcdsEvent>(registry_->types(), payload.value(), kPayloadRootName);
      if (converted.ok() && entry->onLcds) entry->onLcds(converted.value());
      return;
    }
    case PayloadKind::ServiceProxy: {
      auto converted = ConvertPayload<Plugin::PluginServiceProxyResponse>(
          registry_->types(), payload.value(), kPayloadRootName);
      if (converted.ok() && entry->onServiceProxy) entry->onServiceProxy(converted.value());
      return;
    }
  }
}

MaybeType<Failure, bool> AppModule::SendEvent(std::string_view eventName,
                                              const Plugin::PluginResourceEvent& event,
                                              uint32_t word) {
  if (registry_ == nullptr) return MaybeType<Failure, bool>::FromFailure(kModuleNotRegisteredMessage);
  BindingResult value = ToBinding(event, registry_->types());
  if (!value.ok()) return MaybeType<Failure, bool>::FromFailure(value.message());
  const std::string ownName = EventNameOfResourcePath(event.uri);

  HostEvent record{};
  ToHostValue(value.value(), record.payload, &registry_->types());
  record.reserved = word;
  record.context = nullptr;
  record.name = ownName.c_str();
  FireEvent(&record);
  if (eventName != ownName) {
    const std::string given(eventName);
    record.name = given.c_str();
    FireEvent(&record);
  }
  ReleaseHostValue(record.payload);
  return MaybeType<Failure, bool>(true);
}

MaybeType<Failure, bool> AppModule::PublishDeletion(std::string_view resourcePath) {
  Plugin::PluginResourceEvent event;
  event.uri = resourcePath;
  event.eventType = Plugin::PluginResourceEventType::Delete;
  return SendEvent(kJsonApiEventName, event);
}

// --- Waiting and tasks ---

void AppModule::WaitUntilReady(const std::function<bool()>& ready, std::string_view typeName) {
  bool waiting = false;
  while (!ready()) {
    if (!waiting) {
      const std::string label = FormatText(kAwaitLabel, typeName);
      BeginWait(label.c_str(), 0);
      waiting = true;
    }
    Yield();
  }
  if (waiting) (void)EndWait();
}

void AppModule::FailAwait(const std::future_error& error) {
  const std::string message =
      FormatText(kAwaitFutureErrorMessage, error.code().value(), error.what());
  LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, "%s", message.c_str());
  FatalAssertion(kAssertFutureError, "", "", 0, "");
}

uint64_t AppModule::WaitYield() {
  BeginWait(kWaitYieldLabel, 0);
  Yield();
  return EndWait();
}

void AppModule::PostTask(std::string_view label, int64_t deadlineNanoseconds,
                         std::function<void()> task) {
  // Compared before subtracting: a far-past deadline must not overflow the difference.
  const int64_t now = MonotonicNowNanoseconds();
  const double delay =
      deadlineNanoseconds > now ? static_cast<double>(deadlineNanoseconds - now) * 1e-9 : 0.0;
  TaskRecord* record = tasks_.Insert(this, std::move(task));
  const std::string text(label);
  PostTask(text.c_str(), &RunTask, record, delay, 0);
}

void AppModule::RunTask(void* context) {
  auto* record = static_cast<TaskRecord*>(context);
  if (record == nullptr || record->module == nullptr) return;
  AppModule* module = record->module;
  const uint64_t id = record->id;
  GuardEntry(module, "Task", [&] {
    if (record->run) record->run();
  });
  module->tasks_.Remove(id);
}

}  // namespace Vela
