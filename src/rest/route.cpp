#include "rest/route.h"

#include <algorithm>
#include <array>
#include <vector>

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

bool TemplateMatcher::StopsGroup(PieceKind kind, char byte) noexcept {
  return kind == PieceKind::Segment ? byte == '/' : byte == '\n' || byte == '\r';
}

// The ECMAScript matcher explores depth-first, each group trying its longest text first, so
// its first success gives each group, in order, the longest text after which the rest of
// the template still matches. Deciding "the rest still matches" for every piece and
// position first, from the last piece backwards, finds the same groups in time linear in
// the path for each piece, where backtracking would take the path's length to the power
// of the number of groups.
bool TemplateMatcher::Match(std::string_view path, std::span<std::string_view> groups) const {
  if (groups.size() < groupCount_) return false;
  const std::size_t width = path.size() + 1;
  // matches[p * width + i]: pieces p.. match path[i..] up to its end.
  std::vector<bool> matches((pieces_.size() + 1) * width, false);
  const auto rest = [&](std::size_t piece, std::size_t at) { return matches[piece * width + at]; };
  matches[pieces_.size() * width + path.size()] = true;
  for (std::size_t p = pieces_.size(); p-- > 0;) {
    const Piece& piece = pieces_[p];
    if (piece.kind == PieceKind::Literal) {
      const std::size_t size = piece.text.size();
      for (std::size_t i = 0; i + size <= path.size(); ++i) {
        matches[p * width + i] = rest(p + 1, i + size) && path.substr(i, size) == piece.text;
      }
      continue;
    }
    // A group starting at i may end anywhere from i up to its first stopping byte (or the
    // end): it matches when some end in that window does.
    bool windowMatches = false;
    for (std::size_t i = width; i-- > 0;) {
      if (i == path.size() || StopsGroup(piece.kind, path[i])) windowMatches = false;
      windowMatches = windowMatches || rest(p + 1, i);
      matches[p * width + i] = windowMatches;
    }
  }
  if (!rest(0, 0)) return false;

  std::size_t at = 0;
  std::size_t group = 0;
  for (std::size_t p = 0; p < pieces_.size(); ++p) {
    const Piece& piece = pieces_[p];
    if (piece.kind == PieceKind::Literal) {
      at += piece.text.size();
      continue;
    }
    std::size_t end = at;
    while (end < path.size() && !StopsGroup(piece.kind, path[end])) ++end;
    while (!rest(p + 1, end)) --end;  // stops at `at` at the latest: rest(p, at) holds
    groups[group++] = path.substr(at, end - at);
    at = end;
  }
  return true;
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
  if (!route.matcher) return false;
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
