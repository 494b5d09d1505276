// The usable size of a heap block from the C runtime (_msize / malloc_usable_size).
#pragma once

#include <cstddef>

namespace Vela::Platform {

std::size_t UsableBlockSize(void* block);

}  // namespace Vela::Platform
