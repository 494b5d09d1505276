#include "platform/process_info.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace Vela::Platform {

std::size_t ModuleFileName(char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) {
    return 0;
  }
  // readlink neither terminates nor reports truncation: a result that fills the space
  // given may be cut, which is what the contract allows.
  const ssize_t length = readlink("/proc/self/exe", buffer, capacity - 1);
  if (length <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  buffer[length] = '\0';
  return static_cast<std::size_t>(length);
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

}  // namespace Vela::Platform
