#include "rest/route.h"

#include <algorithm>
#include <array>

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

namespace {

constexpr std::string_view kSegmentGroup = "([^/]*)";
constexpr std::string_view kLineGroup = "(.*)";

}  // namespace

// Reads the expressions TemplateToRegex writes: groups, "\"-escaped bytes, plain bytes.
TemplateMatcher::TemplateMatcher(std::string_view expression) {
  auto literal = [this]() -> std::string& {
    if (pieces_.empty() || pieces_.back().kind != PieceKind::Literal) pieces_.push_back({PieceKind::Literal, {}});
    return pieces_.back().text;
  };
  std::size_t at = 0;
  while (at < expression.size()) {
    const std::string_view rest = expression.substr(at);
    if (rest.starts_with(kSegmentGroup)) {
      pieces_.push_back({PieceKind::Segment, {}});
      ++groupCount_;
      at += kSegmentGroup.size();
    } else if (rest.starts_with(kLineGroup)) {
      pieces_.push_back({PieceKind::Line, {}});
      ++groupCount_;
      at += kLineGroup.size();
    } else if (rest.front() == '\\' && rest.size() > 1) {
      literal() += rest[1];
      at += 2;
    } else {
      literal() += rest.front();
      ++at;
    }
  }
}

bool TemplateMatcher::Match(std::string_view path, std::span<std::string_view> groups) const {
  if (groups.size() < groupCount_) return false;
  return MatchFrom(0, 0, path, 0, groups);
}

// Depth-first, each group trying its longest text first: the order in which the ECMAScript
// matcher explores, so the first success has the same groups as its match.
bool TemplateMatcher::MatchFrom(std::size_t piece, std::size_t group, std::string_view path, std::size_t at,
                                std::span<std::string_view> groups) const {
  while (piece < pieces_.size() && pieces_[piece].kind == PieceKind::Literal) {
    const std::string& text = pieces_[piece].text;
    if (path.substr(at).substr(0, text.size()) != text) return false;
    at += text.size();
    ++piece;
  }
  if (piece == pieces_.size()) return at == path.size();
  const std::size_t stop = pieces_[piece].kind == PieceKind::Segment ? path.find('/', at)
                                                                      : path.find_first_of("\n\r", at);
  const std::size_t longest = (stop == std::string_view::npos ? path.size() : stop) - at;
  for (std::size_t length = longest + 1; length-- > 0;) {
    if (MatchFrom(piece + 1, group + 1, path, at + length, groups)) {
      groups[group] = path.substr(at, length);
      return true;
    }
  }
  return false;
}

Route MakeRoute(const FunctionBinding* binding, std::string_view pathTemplate) {
  Route route;
  route.binding = binding;
  if (pathTemplate.find('{') == std::string_view::npos) {
    route.literal = std::string(pathTemplate);
    return route;
  }
  PathPattern pattern = TemplateToRegex(pathTemplate);
  route.matcher = std::make_shared<const TemplateMatcher>(pattern.expression);
  route.parameters = std::move(pattern.parameters);
  return route;
}

namespace {

bool AcceptsMethod(const FunctionBinding* binding, HttpMethod method, std::string_view verb) {
  if (binding == nullptr || binding->method() == HttpMethod::None) return true;
  return binding->method() == method && binding->customVerb() == verb;
}

// The groups of the plugin's templates fit here; more take a heap block.
constexpr std::size_t kInlineGroups = 4;

// Fills `captures` when the route's path test passes.
bool MatchPath(const Route& route, std::string_view path, PathCaptures& captures) {
  if (route.literal) return *route.literal == path;
  if (!route.matcher || path.size() > kMaxTemplatePathLength) return false;
  const std::size_t groupCount = route.matcher->groupCount();
  std::array<std::string_view, kInlineGroups> inlineGroups;
  std::vector<std::string_view> heapGroups;
  std::span<std::string_view> groups(inlineGroups.data(), groupCount);
  if (groupCount > kInlineGroups) {
    heapGroups.resize(groupCount);
    groups = heapGroups;
  }
  if (!route.matcher->Match(path, groups)) return false;
  const std::size_t count = std::min(route.parameters.size(), groupCount);
  for (std::size_t i = 0; i < count; ++i) captures.Set(route.parameters[i].name, UrlDecode(groups[i]));
  return true;
}

}  // namespace

bool MatchRoute(const Route& route, HttpMethod method, std::string_view customVerb, std::string_view path,
                PathCaptures& captures) {
  // The method test is cheap and has no effect, so it runs before the path test.
  return AcceptsMethod(route.binding, method, customVerb) && MatchPath(route, path, captures);
}

std::optional<RouteMatch> MatchRoutes(std::span<const Route> routes, HttpMethod method,
                                      std::string_view customVerb, std::string_view path) {
  const Route* best = nullptr;
  PathCaptures bestCaptures;
  for (const Route& route : routes) {
    PathCaptures captures;
    if (!MatchRoute(route, method, customVerb, path, captures)) continue;
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
