// The request record the host hands to a REST function's dispatch entry, and the small
// records it points at. Host layout: packed, little-endian, every address a native word;
// the plugin only reads these.
//
//   void Dispatch(Vela::HostResponse* out, const Vela::HostRequest* in);
//   std::string_view path = in->path;  // possibly followed by "?" and a query string
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/host_value.h"

namespace Vela {

// A value the host passes as an argument; a null name makes it positional.
#pragma pack(push, 1)
struct HostArgument {
  const char* name;
  HostBindingValue value;
};

// One header: name and value texts (also the form of the response's header pairs).
struct HostHeader {
  const char* name;
  const char* value;
};

// The two words a REST function record carries as its context and the host hands back with
// every request: the API registry and the function's binding.
struct FunctionContext {
  void* registry;
  void* binding;
};

struct HostRequest {
  uint32_t method;  // HttpMethod code; anything outside 1..8 counts as 0
  const char* path;
  HostArgument* args;
  uint32_t argCount;
  const FunctionContext* function;
  HostHeader* headers;
  uint32_t headerCount;
  const char* contentType;
  const uint8_t* body;  // null when the request has no body
  uint32_t bodyLength;
  void* requestContext;  // handed to the invoker unchanged
  const char* customVerb;  // read only when the method is 8
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HostArgument) == 16);
static_assert(sizeof(HostHeader) == 8);
static_assert(sizeof(FunctionContext) == 8);
static_assert(sizeof(HostRequest) == 48);
static_assert(offsetof(HostRequest, function) == 16);
static_assert(offsetof(HostRequest, contentType) == 28);
static_assert(offsetof(HostRequest, customVerb) == 44);
#endif

}  // namespace Vela
