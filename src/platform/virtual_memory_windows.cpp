#include "platform/virtual_memory.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Vela::Platform {

void* CommitRegion(std::size_t bytes) {
  if (bytes == 0) {
    return nullptr;
  }
  // Committed pages come zero-filled, aligned to the 64 KiB allocation granularity.
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void ReleaseRegion(void* region, std::size_t /*bytes*/) {
  // MEM_RELEASE frees the whole reservation and requires a size of 0.
  if (region != nullptr) {
    VirtualFree(region, 0, MEM_RELEASE);
  }
}

}  // namespace Vela::Platform
