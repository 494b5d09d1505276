// JSON text to and from BindingProperty trees.
//
//   Vela::BindingResult doc = Vela::ParseJson(R"({"name":"Ashe","games":[1,2]})");
//   if (!doc.ok()) return doc.message();  // "Error: Invalid value. at offset 0."
//   std::string text = Vela::WriteJson(doc.value());  // {"games":[1,2],"name":"Ashe"}
//
// JSON → value: null → Empty; true/false → Bool; an integer without a minus sign that fits
// 64 bits → Unsigned (0 too); with a minus sign → Signed (-0 too); fractions, exponents
// and larger integers → Float; strings → String (up to their first NUL character);
// arrays → Collection; objects → Structure.
//
// A repeated object key is merged into the earlier value, not rejected: a scalar replaces
// it, an object merges its members into an earlier object (recursively by the same rules),
// an array appends its elements to an earlier array, any other kind replaces it.
//
// Value → JSON: Blob as its Base64 text; Enum as its registered name when `enums` knows
// one, else its number; Structure members in field order; a NaN or infinite Float as null.
// Both directions work without recursion, so documents of any nesting depth are handled.
#pragma once

#include <string>
#include <string_view>

#include "binding/maybe_type.h"

namespace Vela {

class EnumNameLookup;

// The failure message of a parse error: the reader's English text for its error code and
// the byte offset where it stopped.
inline constexpr std::string_view kJsonParseErrorMessage = "Error: %s at offset %u.";

// Parses a zero-terminated text (a string object is read up to its first NUL byte). An
// empty or whitespace-only text gives an ok Empty value. Anything but whitespace after the
// root value fails ("The document root must not be followed by other values.").
[[nodiscard]] BindingResult ParseJson(const char* text);
[[nodiscard]] BindingResult ParseJson(const std::string& text);

// Writes `value` as JSON; an Empty root gives the empty text, never "null". An empty
// `lineSeparator` selects the compact form (no whitespace at all); any other selects the
// indented form (four spaces per level) with each line feed replaced by the separator.
// Writing cannot fail.
std::string WriteJson(const BindingProperty& value, const EnumNameLookup* enums = nullptr,
                      std::string_view lineSeparator = {});

}  // namespace Vela
