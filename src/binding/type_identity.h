// The static identity record of a native type: a build-time 32-bit identifier (the
// registry's key) and a name, "#%08X" of the identifier unless the type names itself.
#pragma once

#include <cstdint>

namespace Vela {

struct TypeIdentity {
  uint32_t id;
  const char* name;
};

}  // namespace Vela
