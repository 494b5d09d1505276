// The host records are packed: gtest's macros take references, which cannot bind to their
// fields, so a test reads a field through a copy.
#pragma once

namespace Vela {

template <typename T>
T Copy(T value) {
  return value;
}

}  // namespace Vela
