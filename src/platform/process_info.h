// Facts about the running process that the log lines show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Vela::Platform {

// The separator after which a module file name holds the executable's name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Writes the file name of the process's main module into `buffer` (NUL-terminated, cut at
// capacity - 1) and returns its length; 0 when it cannot be read.
std::size_t ModuleFileName(char* buffer, std::size_t capacity);

// The part of `path` after the last kPathSeparator (all of it when there is none).
std::string_view ExecutableNameOf(std::string_view path);

// The calling thread's identifier as the system numbers threads.
uint32_t CurrentThreadId();

}  // namespace Vela::Platform
