#include "platform/usable_size.h"

#include <malloc.h>

namespace Vela::Platform {

std::size_t UsableBlockSize(void* block) { return block == nullptr ? 0 : malloc_usable_size(block); }

}  // namespace Vela::Platform
