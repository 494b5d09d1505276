// InternedText: an entry of a BindingContext's intern table, shared by the context and the
// inline accessors of BindingProperty (a field name and a String payload point to one).
#pragma once

#include <cstdint>
#include <string_view>

namespace Vela {

// The entry is followed in memory by the text and a terminating zero.
struct InternedText {
  InternedText* next;  // chain of the bucket
  uint32_t hash;       // the context's hash of the bytes, without the terminating zero
  uint32_t length;
  uint32_t references;

  const char* data() const noexcept { return reinterpret_cast<const char*>(this + 1); }
  std::string_view view() const noexcept { return {data(), length}; }
};

}  // namespace Vela
