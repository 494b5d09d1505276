#include "platform/process_info.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Vela::Platform {

std::size_t ModuleFileName(char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) {
    return 0;
  }
  const DWORD size = capacity > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(capacity);
  DWORD length = GetModuleFileNameA(nullptr, buffer, size);
  if (length == 0) {
    buffer[0] = '\0';
    return 0;
  }
  // On truncation the length equals the size and XP leaves the text unterminated.
  if (length >= size) {
    length = size - 1;
  }
  buffer[length] = '\0';
  return length;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(GetCurrentThreadId()); }

}  // namespace Vela::Platform
