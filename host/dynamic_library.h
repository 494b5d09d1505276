// A shared library loaded by path, unloaded when the object goes. The one place of the
// host that talks to the operating system's loader.
//
//   auto library = DynamicLibrary::Open("build/dev/src/libarx_player_behavior.so");
//   if (!library.ok()) std::cerr << library.error();
//   void* entry = library.value().Symbol("load_arx_player_behavior");
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace Vela::Host {

class DynamicLibrary {
 public:
  // Either a library or the loader's error text.
  struct OpenResult;

  [[nodiscard]] static OpenResult Open(const std::string& path);

  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // The address of an exported symbol, or null.
  [[nodiscard]] void* Symbol(const char* name) const;
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  DynamicLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void Close() noexcept;

  void* handle_ = nullptr;
  std::string path_;
};

struct DynamicLibrary::OpenResult {
  std::unique_ptr<DynamicLibrary> library;  // null on failure
  std::string error;

  [[nodiscard]] bool ok() const { return library != nullptr; }
};

}  // namespace Vela::Host
