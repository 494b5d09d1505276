#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "dynamic_library.h"

namespace Vela::Host {

DynamicLibrary::OpenResult DynamicLibrary::Open(const std::string& path) {
  OpenResult result;
  HMODULE handle = LoadLibraryA(path.c_str());
  if (handle == nullptr) {
    result.error = "LoadLibrary failed with error " + std::to_string(GetLastError()) + ": " + path;
    return result;
  }
  result.library.reset(new DynamicLibrary(handle, path));
  return result;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::Close() noexcept {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

}  // namespace Vela::Host
