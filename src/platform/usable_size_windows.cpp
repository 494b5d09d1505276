#include "platform/usable_size.h"

#include <malloc.h>

namespace Vela::Platform {

// _msize rejects a null block through the invalid-parameter handler, which ends the process.
std::size_t UsableBlockSize(void* block) { return block == nullptr ? 0 : _msize(block); }

}  // namespace Vela::Platform
