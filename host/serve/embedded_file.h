// Files compiled into the server (host/serve/embed_files.cmake writes their source): the
// status page's assets and the example scenarios its buttons run.
//
//   for (const EmbeddedFile& file : StaticFiles()) if (file.name == "index.html") ...
#pragma once

#include <span>
#include <string_view>

namespace Vela::Host {

struct EmbeddedFile {
  std::string_view name;   // the file's base name ("app.js", "ban-at-login.yaml")
  std::string_view bytes;  // its whole content
};

// host/serve/static/*: the status page.
std::span<const EmbeddedFile> StaticFiles();
// examples/*.yaml: the scenarios the page's buttons run.
std::span<const EmbeddedFile> ExampleScenarios();

// The file named `name` in `files`; null when there is none.
[[nodiscard]] const EmbeddedFile* FindEmbedded(std::span<const EmbeddedFile> files, std::string_view name);

}  // namespace Vela::Host
