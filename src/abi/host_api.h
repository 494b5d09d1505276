// The plugin's C boundary: everything a host exchanges with it, in one folder. Read this
// header first; the others of abi/ hold the records it points at:
//
//   abi/host_api.h         the load block of the export, the plugin's three functions, the
//                          host's ten-function table, the event record (here)
//   abi/host_value.h       HostBindingValue, the 12-byte form every value crosses in
//   abi/api_description.h  the block handed back at load: REST functions, types, events
//   abi/type_code.h        the type codes those records name their types with
//   abi/host_request.h     a REST call as the host hands it to a function's dispatch entry
//   abi/host_response.h    the response record that entry fills
//
// Every record is packed in the host's layout: a 4-byte word that holds an address is a
// native pointer, so on a 32-bit target the records have exactly the host's sizes (each
// header checks its own). The headers declare records only and depend on nothing; inside
// the plugin, AppModule is the one caller of the host's table.
//
//   extern "C" void* load_arx_player_behavior(Vela::PluginLoadBlock* block);
//   block->functions->Start(block->context, &hostApi);
#pragma once

#include <cstdint>

#include "abi/api_description.h"
#include "abi/host_request.h"
#include "abi/host_response.h"
#include "abi/host_value.h"

// Marks the one symbol the plugin's shared library exports (everything else is hidden).
#if defined(_WIN32)
#define VELA_PLUGIN_EXPORT __declspec(dllexport)
#else
#define VELA_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace Vela {

struct HostApi;
struct HostEvent;
struct HostFunctionTable;
struct PluginFunctionTable;

extern "C" {

using HostEventCallback = void (*)(const HostEvent* event);
using HostTaskCallback = void (*)(void* context);

#pragma pack(push, 1)

// In: the host's plugin API version. Out (only when the handshake succeeds): the plugin's
// version, its functions, its context word, its short name and its API description.
struct PluginLoadBlock {
  uint32_t major;
  uint32_t minor;
  uint32_t patch;
  PluginFunctionTable* functions;
  void* context;
  const char* shortName;
  ApiDescription* api;
};

// The plugin's three functions; the context word of the load block is their first argument.
struct PluginFunctionTable {
  uint8_t (*Start)(void* context, HostApi* host);
  void (*Stop)(void* context);
  void (*GetMemoryStats)(void* context, uint32_t out[14]);
};

// The argument of Start.
struct HostApi {
  HostFunctionTable* table;
  uint32_t cookie;  // handed back in requests and event registrations
};

// An event as the host delivers it to a registered callback, and as the plugin fires it.
// `reserved` is 0 unless the sender passes another word; `context` is the word given at
// registration (0 when firing).
struct HostEvent {
  const char* name;
  HostBindingValue payload;
  uint32_t reserved;
  void* context;
};

// The host's functions, in slot order. Each takes the table itself first. Texts are
// NUL-terminated and owned by the caller for the duration of the call.
struct HostFunctionTable {
  // Calls another plugin's REST function; returns when `out` is filled.
  void (*Request)(HostFunctionTable* self, HostResponse* out, const HostRequest* in);
  // Never called by the plugin.
  void (*Unused1)(HostFunctionTable* self, uint32_t first, uint32_t second);
  void (*FireEvent)(HostFunctionTable* self, const HostEvent* event);
  // `flag` is 0 for resource subscriptions and 1 for LCDS classes and service-proxy events.
  void (*RegisterEventHandler)(HostFunctionTable* self, const char* name, uint32_t cookie,
                               HostEventCallback callback, void* context, uint32_t flag);
  void (*UnregisterEventHandler)(HostFunctionTable* self, const char* name, uint32_t cookie);
  // Calls callback(context) once on the host's loop after `delaySeconds`; `zero` is 0.
  void (*PostTask)(HostFunctionTable* self, const char* label, HostTaskCallback callback,
                   void* context, double delaySeconds, uint32_t zero);
  // Runs pending host work, callbacks included, then returns.
  void (*Yield)(HostFunctionTable* self);
  void (*BeginWait)(HostFunctionTable* self, const char* label, uint32_t zero);
  // Its result is passed through unchanged.
  uint64_t (*EndWait)(HostFunctionTable* self);
  void (*Log)(HostFunctionTable* self, int32_t level, const char* text);
};

#pragma pack(pop)

// The plugin's only export: runs the handshake and returns the plugin's context word.
// Defined by the player behaviour layer.
VELA_PLUGIN_EXPORT void* load_arx_player_behavior(PluginLoadBlock* block);

}  // extern "C"

// The export's type, for hosts that look it up by name.
using PluginLoadFunction = void* (*)(PluginLoadBlock* block);
inline constexpr const char* kPluginLoadSymbol = "load_arx_player_behavior";

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PluginLoadBlock) == 28);
static_assert(sizeof(PluginFunctionTable) == 12);
static_assert(sizeof(HostApi) == 8);
static_assert(sizeof(HostEvent) == 24);
static_assert(sizeof(HostFunctionTable) == 40);
#endif

}  // namespace Vela
