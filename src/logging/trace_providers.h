// The process's event-trace providers (Event Tracing for Windows): four providers are
// registered when the library loads, and through the second one the loading thread is
// announced as the main thread to a trace controller that enabled it.
//
// Where the system offers no trace functions (always on POSIX) nothing is registered or
// written, and nothing is reported. The plugin entry keeps one TraceProviderRegistration
// at namespace scope, so registration follows library load and unload:
//
//   static Vela::TraceProviderRegistration traceProviders;
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/trace_provider_api.h"

namespace Vela {

inline constexpr std::size_t kTraceProviderCount = 4;
// One enable bit per event; a provider declares at most this many events.
inline constexpr std::size_t kMaxTraceEventsPerProvider = 64;

// The is-enabled codes of the enable callback that change anything.
inline constexpr uint32_t kTraceControlDisable = 0;
inline constexpr uint32_t kTraceControlEnable = 1;

// Fixed provider identifiers, in registration order.
extern const std::array<Platform::TraceGuid, kTraceProviderCount> kTraceProviderIds;

// The first event of the second provider: the main thread's identifier (32 bits) and its
// name with the terminating NUL. Informational, no keywords.
inline constexpr Platform::TraceEventDescriptor kMainThreadEvent = {
    /*id=*/1, /*version=*/0, /*channel=*/0, /*level=*/4, /*opcode=*/0, /*task=*/0, /*keyword=*/0};
inline constexpr const char* kMainThreadName = "Main thread";
// Written in place of a missing thread name.
inline constexpr const char* kMissingThreadName = "NULL";

// What a trace controller asked of one provider, and which of its events that enables.
struct TraceProviderContext {
  explicit TraceProviderContext(std::span<const Platform::TraceEventDescriptor> providerEvents = {})
      : events(providerEvents) {}
  TraceProviderContext(const TraceProviderContext&) = delete;
  TraceProviderContext& operator=(const TraceProviderContext&) = delete;

  // Event i is enabled when bit i is set.
  [[nodiscard]] bool IsEventEnabled(std::size_t index) const {
    return index < kMaxTraceEventsPerProvider && ((enableBits.load(std::memory_order_acquire) >> index) & 1u) != 0;
  }

  uint64_t registrationHandle = 0;
  uint8_t level = 0;
  uint64_t matchAnyKeyword = 0;
  uint64_t matchAllKeyword = 0;
  std::atomic<bool> enabled{false};
  std::atomic<uint64_t> enableBits{0};
  // Only the first kMaxTraceEventsPerProvider events can ever be enabled.
  std::span<const Platform::TraceEventDescriptor> events;
};

// The one enable callback of every provider; `callbackContext` is its TraceProviderContext
// (a null context is ignored). Disable clears level, masks, the enabled flag and every
// enable bit. Enable stores level and masks, sets the flag and enables each event whose
// level is at most the controller's level (or the controller's level is 0) and whose
// keyword mask is 0, or shares a bit with match-any and holds every bit of match-all.
// Any other code changes nothing.
void TraceProviderEnableCallback(const Platform::TraceGuid* sourceId, uint32_t isEnabled, uint8_t level,
                                 uint64_t matchAnyKeyword, uint64_t matchAllKeyword, const void* filterData,
                                 void* callbackContext);

// The four providers over a given set of system functions (tests pass their own).
class TraceProviders {
 public:
  // Reads the performance counter frequency; registers nothing yet.
  explicit TraceProviders(const Platform::TraceProviderApi& api);
  // Unregisters whatever is still registered.
  ~TraceProviders();
  TraceProviders(const TraceProviders&) = delete;
  TraceProviders& operator=(const TraceProviders&) = delete;

  // Registers every provider whose handle is not set yet (none without the register
  // function), then announces the calling thread as the main thread.
  void Register();
  // Unregisters every registered provider and clears its handle.
  void Unregister();

  // Writes the main-thread event with `threadId` and `name` (kMissingThreadName when null)
  // if the second provider's first event is enabled; true when it was written.
  bool AnnounceThread(uint32_t threadId, const char* name);

  [[nodiscard]] const TraceProviderContext& Context(std::size_t provider) const { return contexts_[provider]; }
  [[nodiscard]] uint64_t CounterFrequency() const { return counterFrequency_; }

 private:
  Platform::TraceProviderApi api_;
  uint64_t counterFrequency_;
  std::array<TraceProviderContext, kTraceProviderCount> contexts_;
};

// Registers the process's providers over the system's trace functions, once; unregisters
// them again. For library load and unload. The overload takes the trace functions to use
// (a test's fake) in place of the system's.
void RegisterProcessTraceProviders();
void RegisterProcessTraceProviders(const Platform::TraceProviderApi& api);
void UnregisterProcessTraceProviders();

// Registration for the lifetime of an object with static storage duration.
class TraceProviderRegistration {
 public:
  TraceProviderRegistration() { RegisterProcessTraceProviders(); }
  ~TraceProviderRegistration() { UnregisterProcessTraceProviders(); }
  TraceProviderRegistration(const TraceProviderRegistration&) = delete;
  TraceProviderRegistration& operator=(const TraceProviderRegistration&) = delete;
};

}  // namespace Vela
