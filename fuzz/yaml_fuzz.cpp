// YAML: any text loads to a value or fails with a message, in bounded time (the run's
// timeout makes a hang a finding).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "binding/binding_property.h"
#include "codecs/yaml.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const Vela::BindingResult loaded =
      Vela::YamlLoad(std::string_view(reinterpret_cast<const char*>(data), size));
  ARX_FUZZ_CHECK(loaded.ok() || !loaded.message().empty());
  return 0;
}
