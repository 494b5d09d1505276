#include "rest/path_template.h"

namespace Vela {
namespace {

constexpr std::string_view kRegexSpecials = "^$.*+?()[]|\\";

std::string_view GroupOf(PathParameterKind kind) {
  switch (kind) {
    case PathParameterKind::Simple:
      return "([^/]*)";
    case PathParameterKind::Reserved:
      return "(.*)";
    case PathParameterKind::Fragment:
      return "#(.*)";
  }
  return {};
}

}  // namespace

PathPattern TemplateToRegex(std::string_view pathTemplate) {
  PathPattern pattern;
  pattern.expression.reserve(pathTemplate.size() + 8);
  bool inBraces = false;
  PathParameterKind kind = PathParameterKind::Simple;
  std::string name;
  for (char c : pathTemplate) {
    if (c == '{') {
      inBraces = true;
      kind = PathParameterKind::Simple;
    } else if (c == '}' && inBraces) {
      pattern.expression += GroupOf(kind);
      pattern.parameters.push_back({kind, std::move(name)});
      name.clear();
      inBraces = false;
    } else if (inBraces) {
      if (name.empty() && kind == PathParameterKind::Simple && c == '+') {
        kind = PathParameterKind::Reserved;
      } else if (name.empty() && kind == PathParameterKind::Simple && c == '#') {
        kind = PathParameterKind::Fragment;
      } else {
        name += c;
      }
    } else {
      // A stray "}" is escaped too: ECMAScript would otherwise read it as a quantifier end.
      if (kRegexSpecials.find(c) != std::string_view::npos || c == '}') {
        pattern.expression += '\\';
      }
      pattern.expression += c;
    }
  }
  return pattern;
}

}  // namespace Vela
