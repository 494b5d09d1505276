#include "embedded_file.h"

namespace Vela::Host {

const EmbeddedFile* FindEmbedded(std::span<const EmbeddedFile> files, std::string_view name) {
  for (const EmbeddedFile& file : files) {
    if (file.name == name) return &file;
  }
  return nullptr;
}

}  // namespace Vela::Host
