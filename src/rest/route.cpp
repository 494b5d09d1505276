#include "rest/route.h"

#include <algorithm>

#include "rest/function_binding.h"
#include "rest/url_decode.h"

namespace Vela {

void PathCaptures::Set(std::string_view name, std::string text) {
  for (auto& [existing, value] : entries_) {
    if (existing == name) {
      value = std::move(text);
      return;
    }
  }
  entries_.emplace_back(std::string(name), std::move(text));
}

const std::string* PathCaptures::Find(std::string_view name) const noexcept {
  for (const auto& [existing, value] : entries_) {
    if (existing == name) return &value;
  }
  return nullptr;
}

std::size_t PathCaptures::TotalLength() const noexcept {
  std::size_t total = 0;
  for (const auto& entry : entries_) total += entry.second.size();
  return total;
}

Route MakeRoute(const FunctionBinding* binding, std::string_view pathTemplate) {
  Route route;
  route.binding = binding;
  if (pathTemplate.find('{') == std::string_view::npos) {
    route.literal = std::string(pathTemplate);
    return route;
  }
  PathPattern pattern = TemplateToRegex(pathTemplate);
  route.expression = std::make_shared<const std::regex>(pattern.expression, std::regex::ECMAScript);
  route.parameters = std::move(pattern.parameters);
  return route;
}

namespace {

bool AcceptsMethod(const FunctionBinding* binding, HttpMethod method, std::string_view verb) {
  if (binding == nullptr || binding->method() == HttpMethod::None) return true;
  return binding->method() == method && binding->customVerb() == verb;
}

// Fills `captures` when the route's path test passes.
bool MatchPath(const Route& route, std::string_view path, PathCaptures& captures) {
  if (route.literal) return *route.literal == path;
  if (!route.expression || path.size() > kMaxTemplatePathLength) return false;
  std::match_results<std::string_view::const_iterator> groups;
  if (!std::regex_match(path.begin(), path.end(), groups, *route.expression)) return false;
  const std::size_t count = std::min(route.parameters.size(), groups.size() - 1);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& group = groups[i + 1];
    const auto offset = static_cast<std::size_t>(group.first - path.begin());
    captures.Set(route.parameters[i].name,
                 UrlDecode(path.substr(offset, static_cast<std::size_t>(group.length()))));
  }
  return true;
}

}  // namespace

std::optional<RouteMatch> MatchRoutes(std::span<const Route> routes, HttpMethod method,
                                      std::string_view customVerb, std::string_view path) {
  const Route* best = nullptr;
  PathCaptures bestCaptures;
  for (const Route& route : routes) {
    // The method test is cheap and has no effect, so it runs before the expression.
    if (!AcceptsMethod(route.binding, method, customVerb)) continue;
    PathCaptures captures;
    if (!MatchPath(route, path, captures)) continue;
    if (best == nullptr || captures.TotalLength() < bestCaptures.TotalLength()) {
      best = &route;
      bestCaptures = std::move(captures);
      if (bestCaptures.empty()) break;
    }
  }
  if (best == nullptr) return std::nullopt;
  RouteMatch match;
  match.method = method;
  match.customVerb = std::string(customVerb);
  match.path = std::string(path);
  match.binding = best->binding;
  match.captures = std::move(bestCaptures);
  return match;
}

}  // namespace Vela
