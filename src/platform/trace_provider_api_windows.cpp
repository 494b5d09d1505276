#include "platform/trace_provider_api.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <map>
#include <mutex>

namespace Vela::Platform {
namespace {

// Our records mirror GUID, EVENT_DESCRIPTOR and EVENT_DATA_DESCRIPTOR byte for byte, so
// they pass straight through to Advapi32.
static_assert(sizeof(TraceGuid) == sizeof(GUID));
static_assert(sizeof(TraceEventDescriptor) == 16);
static_assert(sizeof(TraceDataDescriptor) == 16);

// Advapi32's functions and the enable callback it calls are WINAPI (__stdcall on 32-bit
// Windows), unlike the portable signatures: every call crosses an adapter.
using SystemEnableCallback = void(WINAPI*)(const TraceGuid* sourceId, ULONG isEnabled, UCHAR level,
                                           ULONGLONG matchAnyKeyword, ULONGLONG matchAllKeyword,
                                           void* filterData, void* callbackContext);
using EventRegisterFunction = ULONG(WINAPI*)(const TraceGuid* providerId,
                                             SystemEnableCallback callback, void* callbackContext,
                                             ULONGLONG* handle);
using EventWriteFunction = ULONG(WINAPI*)(ULONGLONG handle, const TraceEventDescriptor* descriptor,
                                          ULONG count, TraceDataDescriptor* data);
using EventUnregisterFunction = ULONG(WINAPI*)(ULONGLONG handle);

struct SystemFunctions {
  EventRegisterFunction registerProvider = nullptr;
  EventWriteFunction write = nullptr;
  EventUnregisterFunction unregisterProvider = nullptr;
};

SystemFunctions& System() {
  static SystemFunctions functions;
  return functions;
}

// What the system's context word points at while a provider with a callback is registered.
struct Registration {
  TraceEnableCallback callback;
  void* callbackContext;
};

// A multimap: stand-in implementations of EventRegister (Wine's, for one) hand every
// provider the same handle, and each registration must still free its own record.
struct RegistrationTable {
  std::mutex mutex;
  std::multimap<uint64_t, Registration*> byHandle;
};

RegistrationTable& Registrations() {
  static RegistrationTable table;
  return table;
}

void WINAPI EnableCallbackAdapter(const TraceGuid* sourceId, ULONG isEnabled, UCHAR level,
                                  ULONGLONG matchAnyKeyword, ULONGLONG matchAllKeyword,
                                  void* filterData, void* callbackContext) {
  const auto* registration = static_cast<const Registration*>(callbackContext);
  registration->callback(sourceId, isEnabled, level, matchAnyKeyword, matchAllKeyword, filterData,
                         registration->callbackContext);
}

uint32_t RegisterAdapter(const TraceGuid* providerId, TraceEnableCallback callback,
                         void* callbackContext, uint64_t* handle) {
  if (callback == nullptr) {
    ULONGLONG systemHandle = 0;
    const ULONG status = System().registerProvider(providerId, nullptr, nullptr, &systemHandle);
    *handle = systemHandle;
    return status;
  }
  // The system may call back before EventRegister returns, so the record exists first.
  auto* registration = new Registration{callback, callbackContext};
  ULONGLONG systemHandle = 0;
  const ULONG status =
      System().registerProvider(providerId, &EnableCallbackAdapter, registration, &systemHandle);
  *handle = systemHandle;
  if (status != ERROR_SUCCESS) {
    delete registration;
    return status;
  }
  RegistrationTable& table = Registrations();
  std::lock_guard<std::mutex> guard(table.mutex);
  table.byHandle.emplace(systemHandle, registration);
  return status;
}

uint32_t WriteAdapter(uint64_t handle, const TraceEventDescriptor* descriptor, uint32_t count,
                      TraceDataDescriptor* data) {
  return System().write(handle, descriptor, count, data);
}

uint32_t UnregisterAdapter(uint64_t handle) {
  // EventUnregister returns only after callbacks in progress have finished, so the record
  // can go afterwards.
  const ULONG status = System().unregisterProvider(handle);
  RegistrationTable& table = Registrations();
  std::lock_guard<std::mutex> guard(table.mutex);
  const auto found = table.byHandle.find(handle);
  if (found != table.byHandle.end()) {
    delete found->second;
    table.byHandle.erase(found);
  }
  return status;
}

template <class Function>
Function Lookup(HMODULE library, const char* name) {
  // FARPROC to a specific function type: the detour through void* keeps the cast quiet.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool LoadSystemFunctions() {
  HMODULE library = LoadLibraryW(L"Advapi32.dll");
  if (library == nullptr) {
    return false;
  }
  SystemFunctions functions;
  functions.registerProvider = Lookup<EventRegisterFunction>(library, "EventRegister");
  functions.write = Lookup<EventWriteFunction>(library, "EventWrite");
  functions.unregisterProvider = Lookup<EventUnregisterFunction>(library, "EventUnregister");
  if (functions.registerProvider == nullptr || functions.write == nullptr ||
      functions.unregisterProvider == nullptr) {
    FreeLibrary(library);
    return false;
  }
  // The library stays loaded for the life of the process: the adapters may run until exit.
  System() = functions;
  return true;
}

}  // namespace

TraceProviderApi LoadTraceProviderApi() {
  static const bool loaded = LoadSystemFunctions();
  TraceProviderApi api;
  if (loaded) {
    api.registerProvider = &RegisterAdapter;
    api.write = &WriteAdapter;
    api.unregisterProvider = &UnregisterAdapter;
  }
  return api;
}

}  // namespace Vela::Platform
