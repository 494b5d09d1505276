// Committed read-write regions of virtual memory, straight from the operating system
// (VirtualAlloc / mmap). The value model's page source carves them into pages.
#pragma once

#include <cstddef>

namespace Vela::Platform {

inline constexpr std::size_t kRegionBytes = 64 * 1024;

// Returns a zero-filled region of `bytes` bytes aligned at least to kRegionBytes' page
// granularity (4096), or nullptr when the system refuses.
void* CommitRegion(std::size_t bytes);

// Returns a region obtained from CommitRegion with the same size.
void ReleaseRegion(void* region, std::size_t bytes);

}  // namespace Vela::Platform
