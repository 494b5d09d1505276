// Messages whose placeholders carry names: "Error response for {method} {url}: {error}".
// Reading such a template yields a positional template for the formatter
// (util/format_text.h) and a map from placeholder name to the typed argument, so that the
// values travel with the message as structured fields. Placeholders take the arguments in
// their order in the template; their names label the values, they do not select them.
//
//   Vela::NamedValues values;
//   const Vela::TypedArgument arguments[] = {Vela::TypedArgument::Text("GET"), ...};
//   std::string message = Vela::FormatNamedTemplate("Error for {method} {url}", arguments, values);
//
// Template grammar:
//   "{name}"        the next argument (a counter starting at 1 advances at every "}" that
//                   closes a placeholder), recorded under `name`; writes "%N".
//   "{#name}"       typed key: the name gets "_bool", "_int", "_float" or "_str" by the
//                   argument's kind, unless it already ends in "_bool", "_int", "_long",
//                   "_float", "_str", "_time" or "_ip".
//   "{name:fmt}"    writes "%N$fmt" (a printf conversion without its "%").
//   "{name?text}"   when the argument is false, 0, 0.0 or empty, `text` is written instead
//                   and nothing is recorded.
//   "{name@str}"    records (and renders) the argument as text: "true"/"false", decimal,
//                   "%f" for doubles.
//   "{name@hex}"    an integer becomes sixteen upper-case hex digits, written "%N$016llX".
//   "{!name}"       hidden: records the value, writes nothing, and removes the white space
//                   before it from the positional template.
//   Inside braces "\" takes the next character literally and "{" is ignored; after ":",
//   "?" or "@" characters belong to the format, else the conversion, else the default.
//   Outside braces "{{" writes "{", "}" writes "}" (and "}}" one "}"), "%%" stays "%%",
//   and any other "%" conversion is copied unchanged, taking the argument it names or the
//   next one.
// Nothing fails: a placeholder past the last argument writes and records nothing, and an
// unterminated placeholder at the end is dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "util/fnv1a.h"

namespace Vela {

// Codes as the value model numbers its kinds.
enum class TypedArgumentKind : uint8_t { Bool = 1, Signed = 2, Unsigned = 3, Double = 4, Text = 5 };

class TypedArgument {
 public:
  // Named constructors only: an implicit one from bool would take any pointer.
  static TypedArgument Bool(bool value) { return TypedArgument(Value(std::in_place_index<0>, value)); }
  static TypedArgument Signed(int64_t value) { return TypedArgument(Value(std::in_place_index<1>, value)); }
  static TypedArgument Unsigned(uint64_t value) { return TypedArgument(Value(std::in_place_index<2>, value)); }
  static TypedArgument Double(double value) { return TypedArgument(Value(std::in_place_index<3>, value)); }
  static TypedArgument Text(std::string value) {
    return TypedArgument(Value(std::in_place_index<4>, std::move(value)));
  }

  TypedArgumentKind kind() const { return static_cast<TypedArgumentKind>(value_.index() + 1); }

  // Exact reads: each requires its kind.
  bool GetBool() const { return std::get<0>(value_); }
  int64_t GetSigned() const { return std::get<1>(value_); }
  uint64_t GetUnsigned() const { return std::get<2>(value_); }
  double GetDouble() const { return std::get<3>(value_); }
  const std::string& GetText() const { return std::get<4>(value_); }

  bool operator==(const TypedArgument&) const = default;

 private:
  using Value = std::variant<bool, int64_t, uint64_t, double, std::string>;
  explicit TypedArgument(Value value) : value_(std::move(value)) {}

  Value value_;
};

using NamedValues = std::unordered_map<std::string, TypedArgument, Fnv1aHash, std::equal_to<>>;

// Reads `pattern` with `arguments` (argument 1 first): replaces `positionalTemplate` with
// the positional template and stores the named arguments in `namedValues`, keeping the
// entries already there unless a placeholder of the same name replaces them.
void ParseNamedTemplate(std::string_view pattern, std::span<const TypedArgument> arguments,
                        std::string& positionalTemplate, NamedValues& namedValues);

// Renders a positional template with typed arguments through the formatter: texts as
// strings, integers as 64-bit integers, doubles as doubles, and bools as the integers 1
// and 0 (as printf shows them; "@str" gives "true"/"false"). At most 4095 bytes.
std::string FormatTypedArguments(std::string_view positionalTemplate,
                                 std::span<const TypedArgument> arguments);

// ParseNamedTemplate followed by FormatTypedArguments: the rendered message.
std::string FormatNamedTemplate(std::string_view pattern, std::span<const TypedArgument> arguments,
                                NamedValues& namedValues);

}  // namespace Vela
