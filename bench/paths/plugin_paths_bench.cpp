// The plugin's hot paths, measured where the host meets them, each beside its floor.
//
//   Dispatch/...   a REST function's dispatch entry of the real shared library, called as
//                  the host calls it (request record in, response record out, then the
//                  response's release); the record is found in the library's description.
//   HostCall/...   the same through PluginHost::Call (adds the host's routing and decoding).
//   Handler/...    the floor: the same handler of an in-process module (the core library),
//                  called directly with its native arguments.
//   Event/...      a game-flow phase change from the host's event callback to the plugin's
//                  observer; an LCDS message from the host's callback through the task it
//                  posts to its handler.
//   Typed/...      the floor of the events: the in-process module's typed layer (the same
//                  conversion into the handler's native record, then the handler), below
//                  the host boundary. The service's event handlers are private to it, so
//                  this is the nearest directly callable entry.
//   Allocations/...  100 000 calls with the counters read before and after: allocations
//                  per call (the module's framework counters and the global operator new
//                  of the whole process) and what is still held after the last release.
//
// Both plugins start from the same state: a held ban and 100 reporter feedback entries (the
// REST paths); the events run in plugins of their own so that what they change does not
// reach the REST paths.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "abi/api_description.h"
#include "binding/host_value_conversion.h"
#include "calls/plugin_records.h"
#include "codecs/json.h"
#include "login_plugin.h"
#include "new_counter.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_module.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/resource_paths.h"
#include "player_notifications_plugin.h"
#include "plugin/memory_counters.h"
#include "plugin_host.h"
#include "resource_sibling.h"
#include "rest/api_registry.h"
#include "rest/rest_function.h"
#include "sibling_event_names.h"

namespace Vela::Bench {
namespace {

namespace Pb = Vela::Client::PlayerBehavior;
using Host::PluginHost;

constexpr uint32_t kGet = 2;
constexpr int kFeedbackEntries = 100;
constexpr int kAllocationCalls = 100000;
constexpr std::string_view kFeedbackEntryPath = "/arx-player-behavior/v1/reporter-feedback/42";
constexpr std::string_view kFeedbackEntryId = "42";
// The host keeps a record of everything the plugin does; it is dropped this often.
constexpr int64_t kRecordingClearInterval = 4096;

BindingProperty Json(std::string_view text) {
  BindingResult parsed = ParseJson(std::string(text));
  if (!parsed.ok()) throw std::runtime_error("bad JSON in the benchmark: " + std::string(text));
  return std::move(parsed).value();
}

BindingProperty ShutdownBody(std::string_view reason) {
  return Json(R"({"reason":")" + std::string(reason) + R"(","additionalInfo":""})");
}

BindingProperty PhasePayload(std::string_view phase) {
  BindingProperty payload;
  payload.MutableField("uri") = Host::kGameFlowSessionPath;
  payload.MutableField("eventType") = "Update";
  payload.MutableField("data") = Json(R"({"phase":")" + std::string(phase) + R"("})");
  return payload;
}

// A host with the simulated siblings and the plugin, either the shared library or an
// in-process module of the core library.
class PluginUnderTest {
 public:
  enum class Kind { SharedLibrary, InProcess };

  explicit PluginUnderTest(Kind kind) : kind_(kind) {
    login_ = std::make_shared<Host::LoginPlugin>(host_);
    gameFlow_ = Host::MakeGameFlowPlugin(host_);
    host_.AddSibling(login_);
    host_.AddSibling(std::make_shared<Host::PlayerNotificationsPlugin>());
    host_.AddSibling(gameFlow_);
    host_.AddSibling(Host::MakePlatformConfigPlugin(host_));
    if (kind == Kind::SharedLibrary) {
      if (const std::string error = host_.Load(ARX_PLUGIN_LIBRARY); !error.empty()) throw std::runtime_error(error);
      const Host::HandshakeOutcome outcome = host_.Handshake({18, 0, 0});
      if (!outcome.answered) throw std::runtime_error("the plugin refused the handshake");
      api_ = outcome.api;
      if (!host_.Start()) throw std::runtime_error("the plugin did not start");
    } else {
      PluginLoadBlock block{};
      block.major = 18;
      void* context = LoadPluginModule(&block, Pb::kPluginShortName, std::make_unique<Pb::PlayerBehaviorModule>());
      if (context == nullptr) throw std::runtime_error("the in-process module refused the handshake");
      module_ = static_cast<AppModule*>(context);
      functions_ = block.functions;
      api_ = block.api;
      if (functions_->Start(context, host_.hostApi()) == 0) throw std::runtime_error("the module did not start");
    }
    host_.RunUntilIdle();
  }

  ~PluginUnderTest() {
    if (kind_ == Kind::InProcess) {
      functions_->Stop(module_);  // destroys the module
      host_.bus().UnregisterAll(PluginHost::kPluginCookie);
      host_.loop().DropOwner(PluginHost::kPluginCookie);
    }
  }
  PluginUnderTest(const PluginUnderTest&) = delete;
  PluginUnderTest& operator=(const PluginUnderTest&) = delete;

  // A held ban and `feedbackEntries` entries (ids 1..n), built through the back end's
  // messages as in the client.
  void Populate(int feedbackEntries) {
    DeliverLcds(Pb::Lcds::kForcedClientShutdownClass, ShutdownBody("USER_SUSPENDED"));
    for (int i = 0; i < feedbackEntries; ++i) {
      DeliverLcds(Pb::Lcds::kSimpleDialogMessageClass,
                  Json(R"({"accountId":1,"msgId":"m)" + std::to_string(i) +
                       R"(","type":"tribunal.reporter.feedback","params":[]})"));
    }
    host_.recording().Clear();
  }

  void DeliverLcds(std::string_view className, const BindingProperty& body) {
    login_->DeliverLcdsMessage(className, body);
    host_.RunUntilIdle();
  }

  const RestFunctionRecord& Record(uint32_t method, std::string_view pathTemplate) const {
    for (uint32_t i = 0; i < api_->functionCount; ++i) {
      const RestFunctionRecord& record = api_->functions[i];
      if (record.method == method && record.pathTemplate != nullptr && pathTemplate == record.pathTemplate) {
        return record;
      }
    }
    throw std::runtime_error("no REST function " + std::string(pathTemplate));
  }

  // The in-process module's binding of that template.
  const FunctionBinding& Binding(HttpMethod method, std::string_view pathTemplate) const {
    for (const FunctionBinding* binding : module_->registry()->ListBindings()) {
      if (binding->method() == method && binding->pathTemplate() == pathTemplate) return *binding;
    }
    throw std::runtime_error("no binding " + std::string(pathTemplate));
  }

  // The module's framework counters: allocations, and bytes in use.
  [[nodiscard]] std::array<int64_t, 2> FrameworkCounters() const {
    if (kind_ == Kind::InProcess) {
      const MemoryCounters counters = ReadMemoryCounters();
      return {static_cast<int64_t>(counters.allocations),
              static_cast<int64_t>(counters.bytesAllocated - counters.bytesFreed)};
    }
    const std::array<uint32_t, 14> words = host_.MemoryStats();
    auto pair = [&](int at) { return static_cast<int64_t>(words[at] | (uint64_t{words[at + 1]} << 32)); };
    return {pair(6), pair(4) - pair(8)};
  }

  PluginHost& host() { return host_; }
  AppModule& module() { return *module_; }

 private:
  Kind kind_;
  PluginHost host_;
  std::shared_ptr<Host::LoginPlugin> login_;
  std::shared_ptr<Host::ResourceSibling> gameFlow_;
  const ApiDescription* api_ = nullptr;
  AppModule* module_ = nullptr;
  PluginFunctionTable* functions_ = nullptr;
};

PluginUnderTest& RestPlugin() {
  static PluginUnderTest* plugin = [] {
    auto* made = new PluginUnderTest(PluginUnderTest::Kind::SharedLibrary);
    made->Populate(kFeedbackEntries);
    return made;
  }();
  return *plugin;
}

PluginUnderTest& InProcessRestPlugin() {
  static PluginUnderTest* plugin = [] {
    auto* made = new PluginUnderTest(PluginUnderTest::Kind::InProcess);
    made->Populate(kFeedbackEntries);
    return made;
  }();
  return *plugin;
}

// --- REST dispatch through the library's entry. ---

struct RestCase {
  std::string_view pathTemplate;
  std::string_view path;
};
constexpr RestCase kBanCase{Pb::kBanPath, Pb::kBanPath};
constexpr RestCase kEntryCase{Pb::kReporterFeedbackEntryTemplate, kFeedbackEntryPath};
constexpr RestCase kListCase{Pb::kReporterFeedbackPath, Pb::kReporterFeedbackPath};

// One dispatch and release; false when the answer is a failure (the state is not the one
// the benchmark needs).
bool DispatchOnce(const RestFunctionRecord& record, const HostRequest& in) {
  HostResponse out;
  record.dispatch(&out, &in);
  const bool ok = out.head.error == nullptr;
  benchmark::DoNotOptimize(out.head.value);
  out.release(&out);
  return ok;
}

HostRequest MakeRequest(const RestFunctionRecord& record, const std::string& path) {
  HostRequest in{};
  in.method = kGet;
  in.path = path.c_str();
  in.function = record.description.context;
  in.requestContext = reinterpret_cast<void*>(uintptr_t{PluginHost::kPluginCookie});
  return in;
}

void BM_Dispatch(benchmark::State& state, RestCase c) {
  PluginUnderTest& plugin = RestPlugin();
  const RestFunctionRecord& record = plugin.Record(kGet, c.pathTemplate);
  const std::string path(c.path);
  const HostRequest in = MakeRequest(record, path);
  if (!DispatchOnce(record, in)) {
    state.SkipWithError("the call failed");
    return;
  }
  for (auto _ : state) DispatchOnce(record, in);
}
BENCHMARK_CAPTURE(BM_Dispatch, Ban, kBanCase);
BENCHMARK_CAPTURE(BM_Dispatch, FeedbackEntry, kEntryCase);
BENCHMARK_CAPTURE(BM_Dispatch, FeedbackList100, kListCase);

void BM_HostCall(benchmark::State& state, RestCase c) {
  PluginUnderTest& plugin = RestPlugin();
  const std::string path(c.path);
  if (Host::CallResult first = plugin.host().Call(kGet, path); first.failed || !first.found) {
    state.SkipWithError("the call failed");
    return;
  }
  int64_t calls = 0;
  for (auto _ : state) {
    Host::CallResult result = plugin.host().Call(kGet, path);
    benchmark::DoNotOptimize(result.value);
    if (++calls % kRecordingClearInterval == 0) plugin.host().recording().Clear();
  }
  plugin.host().recording().Clear();
}
BENCHMARK_CAPTURE(BM_HostCall, Ban, kBanCase);
BENCHMARK_CAPTURE(BM_HostCall, FeedbackEntry, kEntryCase);
BENCHMARK_CAPTURE(BM_HostCall, FeedbackList100, kListCase);

// --- Floors: the handlers alone. ---

template <class Invoker>
const Invoker& HandlerOf(HttpMethod method, std::string_view pathTemplate) {
  const auto* invoker = dynamic_cast<const Invoker*>(InProcessRestPlugin().Binding(method, pathTemplate).invoker());
  if (invoker == nullptr) throw std::runtime_error("unexpected handler type for " + std::string(pathTemplate));
  return *invoker;
}

void BM_Handler_Ban(benchmark::State& state) {
  using Invoker = detail::TypedRestInvoker<RestResult<Pb::Api::BanNotification>>;
  const auto& handler = HandlerOf<Invoker>(HttpMethod::Get, Pb::kBanPath).handler();
  if (!handler().result.ok()) {
    state.SkipWithError("no ban held");
    return;
  }
  for (auto _ : state) {
    RestResult<Pb::Api::BanNotification> answer = handler();
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(BM_Handler_Ban);

void BM_Handler_FeedbackEntry(benchmark::State& state) {
  using Invoker = detail::TypedRestInvoker<RestResult<Pb::Api::ReporterFeedback>, const std::string&>;
  const auto& handler = HandlerOf<Invoker>(HttpMethod::Get, Pb::kReporterFeedbackEntryTemplate).handler();
  const std::string id(kFeedbackEntryId);
  if (!handler(id).result.ok()) {
    state.SkipWithError("no such entry");
    return;
  }
  for (auto _ : state) {
    RestResult<Pb::Api::ReporterFeedback> answer = handler(id);
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(BM_Handler_FeedbackEntry);

void BM_Handler_FeedbackList100(benchmark::State& state) {
  using Invoker = detail::TypedRestInvoker<MaybeType<Failure, std::vector<Pb::Api::ReporterFeedback>>>;
  const auto& handler = HandlerOf<Invoker>(HttpMethod::Get, Pb::kReporterFeedbackPath).handler();
  if (auto first = handler(); !first.ok() || first.value().size() != kFeedbackEntries) {
    state.SkipWithError("the list is not 100 entries long");
    return;
  }
  for (auto _ : state) {
    MaybeType<Failure, std::vector<Pb::Api::ReporterFeedback>> answer = handler();
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(BM_Handler_FeedbackList100);

// --- Events. ---

PluginUnderTest& EventPlugin(PluginUnderTest::Kind kind) {
  static PluginUnderTest* shared = new PluginUnderTest(PluginUnderTest::Kind::SharedLibrary);
  static PluginUnderTest* inProcess = new PluginUnderTest(PluginUnderTest::Kind::InProcess);
  return kind == PluginUnderTest::Kind::SharedLibrary ? *shared : *inProcess;
}

// Two phases in turn, so that every event is a change; neither is the idle phase, which
// would start a reform card fetch.
constexpr std::array<std::string_view, 2> kPhases = {"Lobby", "ChampSelect"};

void BM_Event_PhaseChange(benchmark::State& state) {
  PluginUnderTest& plugin = EventPlugin(PluginUnderTest::Kind::SharedLibrary);
  const std::string name = Host::ResourceEventName(Host::kGameFlowSessionPath);
  std::array<HostBindingValue, 2> payloads{};
  for (std::size_t i = 0; i < payloads.size(); ++i) ToHostValue(PhasePayload(kPhases[i]), payloads[i]);
  if (plugin.host().bus().Deliver(name, payloads[0], 0) == 0) {
    state.SkipWithError("nobody observes the game-flow session");
  } else {
    int64_t calls = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(plugin.host().bus().Deliver(name, payloads[++calls & 1], 0));
      if (calls % kRecordingClearInterval == 0) plugin.host().recording().Clear();
    }
  }
  for (HostBindingValue& payload : payloads) ReleaseHostValue(payload);
  plugin.host().recording().Clear();
}
BENCHMARK(BM_Event_PhaseChange);

void BM_Typed_PhaseChange(benchmark::State& state) {
  PluginUnderTest& plugin = EventPlugin(PluginUnderTest::Kind::InProcess);
  std::array<Plugin::PluginResourceEvent, 2> events;
  for (std::size_t i = 0; i < events.size(); ++i) {
    events[i].uri = Host::kGameFlowSessionPath;
    events[i].eventType = Plugin::PluginResourceEventType::Update;
    events[i].data = Json(R"({"phase":")" + std::string(kPhases[i]) + R"("})");
  }
  int64_t calls = 0;
  for (auto _ : state) {
    plugin.module().observers().Dispatch(events[++calls & 1]);
    if (calls % kRecordingClearInterval == 0) plugin.host().recording().Clear();
  }
  plugin.host().recording().Clear();
}
BENCHMARK(BM_Typed_PhaseChange);

// A forced client shutdown: each one replaces the held ban (a deletion and a creation are
// published, a line is logged).
void BM_Event_LcdsMessage(benchmark::State& state) {
  PluginUnderTest& plugin = EventPlugin(PluginUnderTest::Kind::SharedLibrary);
  const std::string name = Host::LcdsEventName(Pb::Lcds::kForcedClientShutdownClass);
  BindingProperty payload;
  payload.MutableField("clientId") = "";
  payload.MutableField("subtopic") = "";
  payload.MutableField("typeName") = Pb::Lcds::kForcedClientShutdownClass;
  payload.MutableField("body") = ShutdownBody("USER_SUSPENDED");
  HostBindingValue encoded{};
  ToHostValue(payload, encoded);
  int64_t calls = 0;
  for (auto _ : state) {
    plugin.host().bus().Deliver(name, encoded, 0);
    benchmark::DoNotOptimize(plugin.host().RunDue());
    if (++calls % kRecordingClearInterval == 0) plugin.host().recording().Clear();
  }
  ReleaseHostValue(encoded);
  plugin.host().recording().Clear();
}
BENCHMARK(BM_Event_LcdsMessage);

void BM_Typed_LcdsMessage(benchmark::State& state) {
  PluginUnderTest& plugin = EventPlugin(PluginUnderTest::Kind::InProcess);
  Plugin::PluginLcdsEvent event;
  event.typeName = Pb::Lcds::kForcedClientShutdownClass;
  event.body = ShutdownBody("USER_SUSPENDED");
  int64_t calls = 0;
  for (auto _ : state) {
    plugin.module().lcds().HandleEvent(event);
    benchmark::DoNotOptimize(plugin.host().RunDue());
    if (++calls % kRecordingClearInterval == 0) plugin.host().recording().Clear();
  }
  plugin.host().recording().Clear();
}
BENCHMARK(BM_Typed_LcdsMessage);

// --- Allocations per call. ---

void BM_Allocations_Dispatch(benchmark::State& state, RestCase c) {
  PluginUnderTest& plugin = RestPlugin();
  const RestFunctionRecord& record = plugin.Record(kGet, c.pathTemplate);
  const std::string path(c.path);
  const HostRequest in = MakeRequest(record, path);
  for (auto _ : state) {
    DispatchOnce(record, in);  // warms whatever is made on first use
    const std::array<int64_t, 2> framework = plugin.FrameworkCounters();
    const NewCounts news = ReadNewCounts();
    for (int i = 0; i < kAllocationCalls; ++i) DispatchOnce(record, in);
    const std::array<int64_t, 2> frameworkAfter = plugin.FrameworkCounters();
    const NewCounts newsAfter = ReadNewCounts();
    state.counters["framework_allocs_per_call"] =
        static_cast<double>(frameworkAfter[0] - framework[0]) / kAllocationCalls;
    state.counters["framework_bytes_grown"] = static_cast<double>(frameworkAfter[1] - framework[1]);
    state.counters["new_per_call"] = static_cast<double>(newsAfter.news - news.news) / kAllocationCalls;
    state.counters["new_blocks_grown"] =
        static_cast<double>((newsAfter.news - newsAfter.deletes) - (news.news - news.deletes));
  }
}
BENCHMARK_CAPTURE(BM_Allocations_Dispatch, Ban, kBanCase)->Iterations(1)->Repetitions(1);
BENCHMARK_CAPTURE(BM_Allocations_Dispatch, FeedbackEntry, kEntryCase)->Iterations(1)->Repetitions(1);
BENCHMARK_CAPTURE(BM_Allocations_Dispatch, FeedbackList100, kListCase)->Iterations(1)->Repetitions(1);

}  // namespace
}  // namespace Vela::Bench
