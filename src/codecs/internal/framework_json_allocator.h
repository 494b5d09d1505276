// RapidJSON's allocator concept over the framework's allocation entry points, for the
// reader's stack and the writer's buffers: RapidJSON's default allocator calls the C runtime
// directly, and those blocks would escape the plugin's memory accounting.
//
//   rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, FrameworkJsonAllocator> reader;
#pragma once

#include <cstddef>

#include "util/allocation.h"

namespace Vela::detail {

struct FrameworkJsonAllocator {
  static const bool kNeedFree = true;
  // RapidJSON expects null for size 0, where the C runtime's answer would vary.
  void* Malloc(std::size_t size) { return size == 0 ? nullptr : Allocate(size); }
  void* Realloc(void* block, std::size_t, std::size_t newSize) {
    if (newSize == 0) {
      Vela::Free(block);
      return nullptr;
    }
    return Reallocate(block, newSize);
  }
  static void Free(void* block) { Vela::Free(block); }
};

}  // namespace Vela::detail
