// The response record a REST function's dispatch entry fills for the host. Host layout:
// packed, little-endian, every address a native word. Everything the plugin puts into it
// is owned by the plugin and freed by the record's own release entry.
//
//   out->release(out);  // the host, once it has read the response
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/host_request.h"
#include "abi/host_value.h"

namespace Vela {

#pragma pack(push, 1)
struct HostResponse {
  HostResultHead head;  // result value, failure text, 1 when the failure text is set
  uint8_t resultFlag;   // the handler's first result flag byte, copied
  uint32_t resultMode;  // 1, 2 or 3; anything else is written as 0
  uint32_t status;      // HTTP status; 0 when the handler never ran
  const char* statusText;  // owned copy, or the shared empty text
  HostHeader* headers;     // owned name and value copies
  uint32_t headerCount;
  // Body stream entries; `stream` is their first argument (null when there is no body).
  uint8_t (*streamRead)(void* stream, void* buffer, uint32_t* count, uint8_t* more);
  void (*streamRelease)(void* stream);
  uint32_t bodyLength;  // as the stream reports it
  uint32_t zero;
  void* stream;
  void (*release)(HostResponse* response);
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HostResponse) == 62);
static_assert(offsetof(HostResponse, resultFlag) == 17);
static_assert(offsetof(HostResponse, status) == 22);
static_assert(offsetof(HostResponse, streamRead) == 38);
static_assert(offsetof(HostResponse, release) == 58);
#endif

}  // namespace Vela
