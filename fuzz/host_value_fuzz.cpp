// Host values: a tree forged from the bytes converts to a value or fails with a message;
// what converted goes back to the host form, converts again to the same value, and is
// released (leaks are findings); a host result record takes either outcome.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "binding/binding_property.h"
#include "binding/host_value_conversion.h"
#include "fuzz_support.h"
#include "util/allocation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace Vela;
  Fuzz::ByteReader reader({data, size});
  Fuzz::HostValueForge forge(reader);
  const HostBindingValue forged = forge.Build();

  const BindingResult first = FromHostValue(forged, "fuzz");
  HostResultHead head{};
  StoreResultInHostRecord(head, first);
  if (!first.ok()) {
    ARX_FUZZ_CHECK(!first.message().empty());
    ARX_FUZZ_CHECK(head.errorOwned == 1 && head.error != nullptr);
    ARX_FUZZ_CHECK(std::strlen(head.error) == first.message().size());
  } else {
    ARX_FUZZ_CHECK(head.error == nullptr && head.errorOwned == 0);
    HostBindingValue back{};
    ToHostValue(first.value(), back);
    const BindingResult second = FromHostValue(back, "fuzz");
    ARX_FUZZ_CHECK(second.ok());
    ARX_FUZZ_CHECK(Fuzz::SameValue(second.value(), first.value()));
    ReleaseHostValue(back);
    ARX_FUZZ_CHECK(back.type == static_cast<uint32_t>(HostValueType::Empty));
  }
  ReleaseHostValue(head.value);
  if (head.errorOwned != 0) Vela::Free(head.error);
  return 0;
}
