// Process uptime as log lines show it: time since the first time anyone asked.
#pragma once

#include <cstdint>

namespace Vela {

// Milliseconds since the first call in this process (that call returns 0), from the
// high-resolution performance counter. Thread-safe.
[[nodiscard]] uint64_t ElapsedMilliseconds();

}  // namespace Vela
