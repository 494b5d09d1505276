// Counts the global operator new and delete of the whole process, the plugin's shared
// library included (the benchmark binary exports its replacements, so the library's calls
// bind to them). The framework's own allocation functions are counted separately, by the
// plugin's memory counters.
#pragma once

#include <cstdint>

namespace Vela::Bench {

struct NewCounts {
  int64_t news = 0;
  int64_t deletes = 0;
};

// Relaxed reads of the two counters.
[[nodiscard]] NewCounts ReadNewCounts();

}  // namespace Vela::Bench
