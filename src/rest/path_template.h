// Path templates of REST functions and the regular expressions they compile to.
//
//   Vela::PathPattern p = Vela::TemplateToRegex("/v1/feedback/{id}");
//   // p.expression == "/v1/feedback/([^/]*)", p.parameters == {{Simple, "id"}}
//
// Grammar, read in one pass:
//   "{name}"    simple placeholder: one path segment, "([^/]*)".
//   "{+name}"   reserved placeholder: any text, slashes included, "(.*)".
//   "{#name}"   fragment placeholder: "#(.*)".
//   other       literal text; each of ^ $ . * + ? ( ) [ ] | \ is escaped, so "/v1.0"
//               matches only a point.
// The "+" or "#" counts only as the first character inside the braces; every other
// character there belongs to the name. An unterminated placeholder at the end is dropped.
// Templates do not nest braces; a "}" outside braces is kept as a literal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Vela {

enum class PathParameterKind : uint8_t {
  Simple = 1,
  Reserved = 2,
  Fragment = 3,
};

struct PathParameter {
  PathParameterKind kind = PathParameterKind::Simple;
  std::string name;

  friend bool operator==(const PathParameter&, const PathParameter&) = default;
};

// The ECMAScript expression text and the placeholders in the order they appear, which is
// the order of the expression's groups.
struct PathPattern {
  std::string expression;
  std::vector<PathParameter> parameters;
};

PathPattern TemplateToRegex(std::string_view pathTemplate);

}  // namespace Vela
