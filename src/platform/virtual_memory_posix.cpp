#include "platform/virtual_memory.h"

#include <sys/mman.h>

namespace Vela::Platform {

void* CommitRegion(std::size_t bytes) {
  if (bytes == 0) {
    return nullptr;
  }
  // Anonymous mappings are zero-filled and page-aligned.
  void* region = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return region == MAP_FAILED ? nullptr : region;
}

void ReleaseRegion(void* region, std::size_t bytes) {
  if (region != nullptr && bytes != 0) {
    munmap(region, bytes);
  }
}

}  // namespace Vela::Platform
