// A semantic version: three numbers and optional pre-release and build texts. Its text
// (1.2.3, 1.2.3-beta, 1.2.3-beta+7, 1.2.3+7) comes from VersionToText in
// util/format_text.h, which also renders it as a format argument.
#pragma once

#include <cstdint>
#include <string>

namespace Vela {

struct Version {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t patch = 0;
  std::string preRelease;  // written after "-" when not empty
  std::string build;       // written after "+" when not empty
};

}  // namespace Vela
