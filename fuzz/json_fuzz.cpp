// JSON: any text parses to a value or fails with a message; whatever parsed, written in
// the compact and the indented forms, parses again to the same tree (an integer "-0" may
// come back as 0: see kRoundTrip). Numbers are read correctly rounded and never infinite,
// and written in a form that reads back to the same double, so floats come back exactly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "binding/binding_property.h"
#include "codecs/json.h"
#include "fuzz_support.h"

// What a write and a read may change (see Allowance).
constexpr Vela::Fuzz::Allowance kRoundTrip{.zeroSign = true, .floatUlps = 0, .infinityAsNull = false};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace Vela;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const BindingResult first = ParseJson(text);
  if (!first.ok()) {
    ARX_FUZZ_CHECK(!first.message().empty());
    return 0;
  }
  for (const std::string_view separator : {std::string_view{}, std::string_view{"\n"},
                                           std::string_view{"\r\n"}}) {
    const std::string written = WriteJson(first.value(), nullptr, separator);
    const BindingResult again = ParseJson(written);
    ARX_FUZZ_CHECK(again.ok());
    ARX_FUZZ_CHECK(Fuzz::SameValue(again.value(), first.value(), kRoundTrip));
  }
  return 0;
}
