#include "platform/process_info.h"

namespace Vela::Platform {

std::string_view ExecutableNameOf(std::string_view path) {
  const std::size_t separator = path.rfind(kPathSeparator);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace Vela::Platform
