#include <dlfcn.h>

#include "dynamic_library.h"

namespace Vela::Host {

DynamicLibrary::OpenResult DynamicLibrary::Open(const std::string& path) {
  OpenResult result;
  // RTLD_LOCAL: the plugin's symbols must not satisfy anyone else's references.
  // RTLD_NODELETE: a plugin stays mapped for the life of the process, as in the client, so
  // its static state is never unmapped under a pointer that still refers to it.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* error = dlerror();
    result.error = error != nullptr ? error : "cannot load " + path;
    return result;
  }
  result.library.reset(new DynamicLibrary(handle, path));
  return result;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

void DynamicLibrary::Close() noexcept {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace Vela::Host
