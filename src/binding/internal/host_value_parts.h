// The pieces every writer of the host value form allocates: arrays, texts and blobs
// through the framework's allocation functions, which ReleaseHostValue frees. Each throws
// std::bad_alloc, or std::length_error for a length the form cannot carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "abi/host_value.h"

namespace Vela::detail {

// `length` as the form's 32-bit length.
uint32_t HostLength(std::size_t length);
// An owned, zero-terminated copy of `text` (which may hold zero bytes of its own).
char* CopyHostText(std::string_view text);
// Makes the Empty `out` an owned String / Blob (an empty blob owns no block).
void SetHostText(HostBindingValue& out, std::string_view text);
void SetHostBlob(HostBindingValue& out, std::span<const uint8_t> bytes);
// Makes the Empty `out` a Collection / Structure of `count` Empty items (no block for 0),
// so that a value filled part of the way can always be released.
HostBindingValue* SetHostCollection(HostBindingValue& out, std::size_t count);
HostStructEntry* SetHostStructure(HostBindingValue& out, std::size_t count);

}  // namespace Vela::detail
