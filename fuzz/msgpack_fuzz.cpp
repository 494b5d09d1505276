// MessagePack: any bytes, and any prefix of them, decode to a value or fail with a
// message; the stop position never passes the input; the bytes up to a successful stop
// decode alone to the same value (nothing after the root is read).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "binding/binding_property.h"
#include "codecs/msgpack.h"
#include "fuzz_support.h"

namespace {

struct Decoded {
  Vela::BindingResult result = Vela::BindingResult::Ok();
  std::size_t stop = 0;
};

// Decodes from an exact-size copy, so that a read past the end is a heap overflow.
Decoded DecodeCopy(std::span<const uint8_t> bytes) {
  const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  Decoded out;
  out.stop = copy.size() + 1;  // the decoder must set it
  out.result = Vela::MsgPackDecode(copy, out.stop);
  ARX_FUZZ_CHECK(out.stop <= copy.size());
  ARX_FUZZ_CHECK(out.result.ok() || !out.result.message().empty());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> input(data, size);
  const Decoded whole = DecodeCopy(input);
  if (whole.result.ok() && whole.stop < size) {
    const Decoded exact = DecodeCopy(input.first(whole.stop));
    ARX_FUZZ_CHECK(exact.result.ok());
    ARX_FUZZ_CHECK(exact.stop == whole.stop);
    ARX_FUZZ_CHECK(Vela::Fuzz::SameValue(exact.result.value(), whole.result.value()));
  }
  // Cut short: inside the value's last bytes, and at a length the input itself picks.
  if (whole.stop > 0) (void)DecodeCopy(input.first(whole.stop - 1));
  if (size > 1) (void)DecodeCopy(input.first(data[size - 1] % size));
  return 0;
}
