// PluginHost: the development host. It loads a plugin's shared library, runs the handshake,
// gives the plugin the ten host functions, and plays the client core around it: an event
// bus, a task loop on a simulated clock, waits, a log sink, simulated sibling plugins that
// answer the plugin's requests, and calls of the plugin's own REST functions. Everything
// the plugin does to the host is recorded.
//
//   PluginHost host;
//   if (auto loaded = host.Load(path); !loaded.empty()) return Fail(loaded);
//   HandshakeOutcome outcome = host.Handshake({18, 0, 0});
//   host.Start();
//   CallResult ban = host.Call(2, "/arx-player-behavior/v1/ban");
//   host.Stop();
//
// One plugin per host. The host is single-threaded: the plugin is called on the thread
// that calls the host.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "abi/host_api.h"
#include "binding/binding_property.h"
#include "dynamic_library.h"
#include "event_bus.h"
#include "host_recording.h"
#include "sibling_plugin.h"
#include "task_loop.h"

namespace Vela::Host {

struct HostVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t patch = 0;
};

// The load block as the plugin left it.
struct HandshakeOutcome {
  bool answered = false;  // the export returned a context word
  HostVersion pluginVersion;
  std::string shortName;
  const PluginFunctionTable* functions = nullptr;
  void* context = nullptr;
  const ApiDescription* api = nullptr;
};

// A header or argument given by name.
struct NamedText {
  std::string name;
  std::string value;
};

// A call of one of the plugin's REST functions.
struct CallRequest {
  uint32_t method = 2;  // HttpMethod code
  std::string path;     // may carry "?" and a query string
  std::vector<BindingProperty> arguments;  // positional host arguments
  std::vector<NamedText> headers;
  std::string contentType;
  std::string body;  // sent when not empty
  std::string customVerb;  // for method 8
};

struct CallResult {
  bool found = false;   // a REST function of the plugin took the request
  std::string function; // its name
  bool failed = false;
  std::string error;
  uint32_t status = 0;
  std::string statusText;
  BindingProperty value;
  std::vector<NamedText> headers;
  std::string streamedBody;  // the body stream's bytes, when the reply had one
};

// What one REST function record of the description block says.
struct RestFunctionInfo {
  std::string name;
  uint32_t method = 0;
  std::string pathTemplate;
  std::vector<std::string> parameters;
};

class PluginHost {
 public:
  // The cookie the host hands the plugin in HostApi.
  static constexpr uint32_t kPluginCookie = 0x00C0FFEE;

  PluginHost();
  ~PluginHost();  // stops a started plugin and unloads it
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // --- Lifecycle. ---
  // Loads the library and finds its entry; returns the error text, empty on success.
  [[nodiscard]] std::string Load(const std::string& libraryPath);
  // Calls the entry with `version` as the host's plugin API version. An incompatible
  // plugin ends the process (that is the plugin's contract).
  HandshakeOutcome Handshake(HostVersion version);
  // Calls the plugin's Start; its answer.
  bool Start();
  // Calls Stop, then forgets the plugin's event registrations and pending tasks.
  void Stop();
  [[nodiscard]] bool started() const { return started_; }
  // The plugin's fourteen memory words.
  [[nodiscard]] std::array<uint32_t, 14> MemoryStats() const;

  // --- The plugin's REST functions. ---
  [[nodiscard]] const ApiDescription* api() const { return outcome_.api; }
  [[nodiscard]] const HandshakeOutcome& handshake() const { return outcome_; }
  [[nodiscard]] std::vector<RestFunctionInfo> RestFunctions() const;
  [[nodiscard]] std::vector<std::string> TypeNames() const;
  [[nodiscard]] std::vector<std::string> EventNames() const;
  // Routes the call to the first function whose method and path template match (method 0
  // takes any method; an empty template matches the function's name), dispatches it,
  // decodes the response and releases it through the plugin's release entry.
  CallResult Call(const CallRequest& request);
  CallResult Call(uint32_t method, std::string_view path) { return Call(CallRequest{method, std::string(path), {}, {}, {}, {}, {}}); }

  // --- Events and the loop. ---
  // Delivers an event to the registered handlers now (as another plugin would fire it).
  std::size_t DeliverEvent(std::string_view name, const BindingProperty& payload, uint32_t reserved = 0);
  // Delivers it on the loop after `delaySeconds` (at the next Yield or advance of the clock).
  void ScheduleEvent(std::string_view name, BindingProperty payload, double delaySeconds = 0.0);
  // Runs host work due now; what the host function Yield does.
  std::size_t RunDue();
  std::size_t AdvanceBy(double seconds) { return loop_.AdvanceBy(seconds); }
  std::size_t RunUntilIdle() { return loop_.RunUntilIdle(); }
  // When a Yield finds nothing due and this is set, the clock jumps to the next scheduled
  // item, so a plugin waiting for delayed work does not spin. On by default.
  void SetAdvanceClockWhenIdle(bool advance) { advanceWhenIdle_ = advance; }
  // Called when the plugin yields inside a wait and the loop holds nothing at all, so no
  // later Yield could end the wait; the handler may schedule what ends it (a sibling
  // answering what it left unanswered). Without one, such a wait never ends.
  void SetStallHandler(std::function<void()> handler) { stallHandler_ = std::move(handler); }
  TaskLoop& loop() { return loop_; }
  EventBus& bus() { return bus_; }

  // --- Siblings and logging. ---
  void AddSibling(std::shared_ptr<SiblingPlugin> sibling);
  // Receives every line the plugin logs (after it is recorded).
  void SetLogSink(std::function<void(int32_t level, std::string_view text)> sink) { logSink_ = std::move(sink); }

  // The HostApi handed to Start; also for driving a module in-process.
  [[nodiscard]] HostApi* hostApi() { return &hostApi_; }

  [[nodiscard]] const HostRecording& recording() const { return recording_; }
  HostRecording& recording() { return recording_; }
  // Open BeginWait calls not yet ended.
  [[nodiscard]] uint32_t waitDepth() const { return waitDepth_; }

 private:
  struct TableBlock {
    HostFunctionTable table;  // first: the plugin hands this address back
    PluginHost* host;
  };
  static PluginHost& From(HostFunctionTable* table);

  static void HostRequestFunction(HostFunctionTable* self, HostResponse* out, const HostRequest* in);
  static void HostUnused1(HostFunctionTable* self, uint32_t first, uint32_t second);
  static void HostFireEvent(HostFunctionTable* self, const HostEvent* event);
  static void HostRegisterEventHandler(HostFunctionTable* self, const char* name, uint32_t cookie,
                                       HostEventCallback callback, void* context, uint32_t flag);
  static void HostUnregisterEventHandler(HostFunctionTable* self, const char* name, uint32_t cookie);
  static void HostPostTask(HostFunctionTable* self, const char* label, HostTaskCallback callback,
                           void* context, double delaySeconds, uint32_t zero);
  static void HostYield(HostFunctionTable* self);
  static void HostBeginWait(HostFunctionTable* self, const char* label, uint32_t zero);
  static uint64_t HostEndWait(HostFunctionTable* self);
  static void HostLog(HostFunctionTable* self, int32_t level, const char* text);

  void AnswerRequest(HostResponse& out, const HostRequest& in);
  HostCall& Record(HostCallKind kind, std::string text = {});

  std::unique_ptr<DynamicLibrary> library_;
  PluginLoadFunction entry_ = nullptr;
  HandshakeOutcome outcome_;
  TableBlock block_;
  HostApi hostApi_{};
  bool started_ = false;
  bool advanceWhenIdle_ = true;
  uint32_t waitDepth_ = 0;
  uint64_t yieldsInWait_ = 0;
  EventBus bus_;
  TaskLoop loop_;
  HostRecording recording_;
  std::function<void(int32_t, std::string_view)> logSink_;
  std::function<void()> stallHandler_;
  struct Route {
    SiblingRoute route;
    std::shared_ptr<SiblingPlugin> plugin;
  };
  std::vector<Route> siblingRoutes_;
};

}  // namespace Vela::Host
