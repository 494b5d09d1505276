#include "logging/trace_providers.h"

#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/process_info.h"

namespace Vela {

const std::array<Platform::TraceGuid, kTraceProviderCount> kTraceProviderIds = {{
    {0x5C6B1E0Au, 0x3F21u, 0x4C7Du, {0x9A, 0x41, 0x2E, 0x7B, 0x10, 0xD3, 0x66, 0x01}},
    {0x5C6B1E0Bu, 0x3F21u, 0x4C7Du, {0x9A, 0x41, 0x2E, 0x7B, 0x10, 0xD3, 0x66, 0x02}},
    {0x5C6B1E0Cu, 0x3F21u, 0x4C7Du, {0x9A, 0x41, 0x2E, 0x7B, 0x10, 0xD3, 0x66, 0x03}},
    {0x5C6B1E0Du, 0x3F21u, 0x4C7Du, {0x9A, 0x41, 0x2E, 0x7B, 0x10, 0xD3, 0x66, 0x04}},
}};

namespace {

constexpr std::size_t kMainThreadProvider = 1;
constexpr std::size_t kMainThreadEventIndex = 0;
constexpr Platform::TraceEventDescriptor kMainThreadProviderEvents[] = {kMainThreadEvent};

bool EventEnabledBy(const Platform::TraceEventDescriptor& event, uint8_t level, uint64_t matchAny,
                    uint64_t matchAll) {
  if (level != 0 && event.level > level) return false;
  if (event.keyword == 0) return true;
  return (event.keyword & matchAny) != 0 && (event.keyword & matchAll) == matchAll;
}

}  // namespace

void TraceProviderEnableCallback(const Platform::TraceGuid* /*sourceId*/, uint32_t isEnabled, uint8_t level,
                                 uint64_t matchAnyKeyword, uint64_t matchAllKeyword, const void* /*filterData*/,
                                 void* callbackContext) {
  auto* context = static_cast<TraceProviderContext*>(callbackContext);
  if (context == nullptr) return;
  switch (isEnabled) {
    case kTraceControlDisable:
      context->level = 0;
      context->matchAnyKeyword = 0;
      context->matchAllKeyword = 0;
      context->enabled.store(false, std::memory_order_release);
      context->enableBits.store(0, std::memory_order_release);
      return;
    case kTraceControlEnable: {
      context->level = level;
      context->matchAnyKeyword = matchAnyKeyword;
      context->matchAllKeyword = matchAllKeyword;
      context->enabled.store(true, std::memory_order_release);
      uint64_t bits = 0;
      for (std::size_t i = 0; i < context->events.size() && i < kMaxTraceEventsPerProvider; ++i) {
        if (EventEnabledBy(context->events[i], level, matchAnyKeyword, matchAllKeyword)) bits |= uint64_t{1} << i;
      }
      context->enableBits.store(bits, std::memory_order_release);
      return;
    }
    default:
      return;  // capture-state and future codes leave the provider as it is
  }
}

TraceProviders::TraceProviders(const Platform::TraceProviderApi& api)
    : api_(api),
      counterFrequency_(Platform::HighResolutionFrequency()),
      contexts_{TraceProviderContext{}, TraceProviderContext{kMainThreadProviderEvents}, TraceProviderContext{},
                TraceProviderContext{}} {}

TraceProviders::~TraceProviders() { Unregister(); }

void TraceProviders::Register() {
  if (api_.registerProvider == nullptr) return;
  for (std::size_t i = 0; i < kTraceProviderCount; ++i) {
    TraceProviderContext& context = contexts_[i];
    if (context.registrationHandle != 0) continue;
    uint64_t handle = 0;
    // The system may call the enable callback before this returns.
    if (api_.registerProvider(&kTraceProviderIds[i], &TraceProviderEnableCallback, &context, &handle) == 0) {
      context.registrationHandle = handle;
    }
  }
  (void)AnnounceThread(Platform::CurrentThreadId(), kMainThreadName);
}

void TraceProviders::Unregister() {
  for (TraceProviderContext& context : contexts_) {
    if (context.registrationHandle == 0) continue;
    if (api_.unregisterProvider != nullptr) api_.unregisterProvider(context.registrationHandle);
    context.registrationHandle = 0;
  }
}

bool TraceProviders::AnnounceThread(uint32_t threadId, const char* name) {
  const TraceProviderContext& context = contexts_[kMainThreadProvider];
  if (api_.write == nullptr || context.registrationHandle == 0 || !context.IsEventEnabled(kMainThreadEventIndex)) {
    return false;
  }
  const char* text = name != nullptr ? name : kMissingThreadName;
  Platform::TraceDataDescriptor data[2] = {
      {reinterpret_cast<uintptr_t>(&threadId), sizeof threadId, 0},
      {reinterpret_cast<uintptr_t>(text), static_cast<uint32_t>(std::strlen(text) + 1), 0},
  };
  return api_.write(context.registrationHandle, &kMainThreadEvent, 2, data) == 0;
}

namespace {

std::mutex g_processProvidersMutex;
TraceProviders* g_processProviders = nullptr;

}  // namespace

void RegisterProcessTraceProviders() { RegisterProcessTraceProviders(Platform::LoadTraceProviderApi()); }

void RegisterProcessTraceProviders(const Platform::TraceProviderApi& api) {
  std::lock_guard<std::mutex> guard(g_processProvidersMutex);
  if (g_processProviders != nullptr) return;
  g_processProviders = new TraceProviders(api);
  g_processProviders->Register();
}

void UnregisterProcessTraceProviders() {
  std::lock_guard<std::mutex> guard(g_processProvidersMutex);
  delete g_processProviders;  // unregisters
  g_processProviders = nullptr;
}

}  // namespace Vela
