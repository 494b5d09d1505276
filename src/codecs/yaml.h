// YAML text to a BindingProperty tree (the plugin reads YAML, it never writes it).
//
//   Vela::BindingResult doc = Vela::YamlLoad("name: Ashe\ngames: [1, -2, 0.5]\n");
//   // {games: [Unsigned 1, Signed -2, Float 0.5], name: "Ashe"}
//   if (!doc.ok()) return doc.message();  // "... At line: 3 col: 1"
//
// libyaml tokenises and parses; this loader builds the tree from its events.
//
// Scalars. A tagged scalar follows its tag: !!str → String; !!int → Signed when the text
// starts with "-", else Unsigned (strtoll/strtoull, base 0); !!float → Float; !!bool → Bool
// for the words below (other texts leave the value unchanged); any other tag fails.
// Quoted scalars without a tag are Strings. Plain, literal and folded scalars without a
// tag resolve in this order:
//   null words  "", "~", "null", "Null", "NULL"                          → Empty
//   numbers     texts strtod reads whole, except infinities and NaN:
//               with a fraction → Float; whole and below 0 → Signed; whole and
//               at or above 0 → Unsigned (1.0 → 1, 1e3 → 1000, -2 → -2);
//               whole numbers outside the 64-bit ranges stay Float
//   true words  "true", "True", "TRUE", "y", "Y", "yes", "Yes", "YES", "on", "On", "ON"
//   false words "false", "False", "FALSE", "n", "N", "no", "No", "NO", "off", "Off", "OFF"
//   otherwise   String
//
// Mappings. Keys must be scalars (a tag other than !!str is refused). A key repeated in one
// mapping merges into the earlier value: a scalar replaces it, a mapping merges its pairs
// into an earlier mapping, a sequence appends its elements to an earlier sequence.
//
// Anchors and aliases. An alias is a deep copy of the anchored node as it was when the
// alias was read; an anchored key's alias is that key's text. Anchor names are unique
// within a text; an alias to a node that encloses it is refused. Aliases may expand the
// document to at most kYamlMaxAliasValues values in all.
//
// Limits. Only one document per text. Sequences and mappings nest at most
// kYamlMaxNestingDepth deep: libyaml's scanner takes time quadratic in the depth of flow
// collections, so a short, deeply nested text could otherwise hold the thread for minutes.
#pragma once

#include <cstddef>
#include <string_view>

#include "binding/maybe_type.h"

namespace Vela {

inline constexpr std::size_t kYamlMaxNestingDepth = 1000;
inline constexpr std::size_t kYamlMaxAliasValues = 1000000;

// The failure messages. Line and column count from 1 and name the start of the offending
// event, except in the parser's own errors, which carry libyaml's mark (counted from 0).
namespace YamlMessage {
inline constexpr std::string_view kMultiDocument = "Multi-document YAML is not supported.";
inline constexpr std::string_view kInvalidMappingKey =
    "Invalid mapping key. Only string scalar keys are allowed. At line: %1 col: %2";
inline constexpr std::string_view kUnexpectedSequence =
    "Unexpected start of sequence. At line: %1 col: %2";
inline constexpr std::string_view kUnexpectedMapping =
    "Unexpected start of mapping. At line: %1 col: %2";
inline constexpr std::string_view kCyclicAlias =
    "Cannot deserialize cyclic aliases. Alias \"%1\". At line: %2 col: %3";
inline constexpr std::string_view kUndefinedAlias =
    "Undefined alias encountered: \"%1\". At line: %2 col: %3";
inline constexpr std::string_view kDuplicateAnchor =
    "Duplicate occurrence of anchor \"%1\". At line: %2 col: %3";
inline constexpr std::string_view kUnsupportedTag = "Unsupported YAML tag '%1'.";
inline constexpr std::string_view kParserError = "YAML parser error: %1. At line: %2 col: %3";
// %1: the limit.
inline constexpr std::string_view kTooDeep =
    "YAML nested deeper than %1 levels is not supported. At line: %2 col: %3";
inline constexpr std::string_view kAliasesTooLarge =
    "YAML aliases expand to more than %1 values. At line: %2 col: %3";
}  // namespace YamlMessage

// Loads one YAML document (UTF-8). An empty text, or one holding only comments, gives an
// ok Empty value. On failure the result holds the message and nothing of the partly built
// tree. Tagged !!int and !!float scalars that do not convert fail with the conversion
// messages of the binding layer, for the path "yaml" and the types "int64_t", "uint64_t"
// and "double".
[[nodiscard]] BindingResult YamlLoad(std::string_view text);

}  // namespace Vela
