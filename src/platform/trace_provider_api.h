// Run-time access to the system's event-trace provider functions (Advapi32.dll's
// EventRegister, EventWrite and EventUnregister on Windows). Elsewhere they are not
// available, and trace registration stays off.
#pragma once

#include <cstdint>

namespace Vela::Platform {

struct TraceGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

struct TraceEventDescriptor {
  uint16_t id;
  uint8_t version;
  uint8_t channel;
  uint8_t level;
  uint8_t opcode;
  uint16_t task;
  uint64_t keyword;
};

struct TraceDataDescriptor {
  uint64_t ptr;
  uint32_t size;
  uint32_t reserved;
};

// Signature of the enable callback the system calls when a controller changes a provider.
using TraceEnableCallback = void (*)(const TraceGuid* sourceId, uint32_t isEnabled, uint8_t level,
                                     uint64_t matchAnyKeyword, uint64_t matchAllKeyword,
                                     const void* filterData, void* callbackContext);

struct TraceProviderApi {
  uint32_t (*registerProvider)(const TraceGuid* providerId, TraceEnableCallback callback,
                               void* callbackContext, uint64_t* handle) = nullptr;
  uint32_t (*write)(uint64_t handle, const TraceEventDescriptor* descriptor, uint32_t count,
                    TraceDataDescriptor* data) = nullptr;
  uint32_t (*unregisterProvider)(uint64_t handle) = nullptr;

  bool available() const { return registerProvider != nullptr; }
};

// Loads the provider functions; every member stays null where the library or a function
// is missing (always, on POSIX).
TraceProviderApi LoadTraceProviderApi();

}  // namespace Vela::Platform
