// Reads one placeholder of a positional template (the grammar is documented in
// util/format_text.h). Shared by the formatter, which renders it, and by the named
// template reader, which copies printf conversions through to its positional template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Vela::detail {

// Longest conversion text ("%" and the kept parts) a placeholder may have.
inline constexpr std::size_t kMaxSpecificationBytes = 60;

struct Placeholder {
  // "%" and the kept parts (flags, width, precision, length modifier, letter); a given
  // position and the "N$" of a "*" are not kept.
  char specification[kMaxSpecificationBytes] = {};
  std::size_t specificationLength = 0;
  // The conversion text would exceed kMaxSpecificationBytes; the rest of the fields still
  // describe the whole placeholder.
  bool tooLong = false;
  // A position "N" or "N$" was given.
  bool positional = false;
  // 1-based; may be 0 or exceed the argument count, which the caller must check.
  uint32_t argumentIndex = 0;
  // The arguments that supply "*" values, in printf order (width, then precision).
  uint32_t starIndices[2] = {0, 0};
  uint32_t starCount = 0;
  // Index in the template just past the placeholder.
  std::size_t end = 0;

  std::string_view Specification() const { return {specification, specificationLength}; }
  // Only "%": a bare positional placeholder, or a "%" that ends the template.
  bool IsBare() const { return specificationLength == 1; }
};

// Reads the placeholder whose "%" is at `percent` (the caller has handled "%%").
// `sequential` is the sequential-argument counter (starting at 1): a "*" without "N$" and
// a conversion without a position each take its value and advance it.
Placeholder ReadPlaceholder(std::string_view pattern, std::size_t percent, uint32_t argumentCount,
                            uint32_t& sequential);

}  // namespace Vela::detail
