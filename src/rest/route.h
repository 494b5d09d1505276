// Routes: a REST binding's path, compiled once, and the matching of a request against an
// ordered list of them (the route table).
//
//   Vela::Route route = Vela::MakeRoute(binding, "/v1/feedback/{id}");
//   std::optional<Vela::RouteMatch> match =
//       Vela::MatchRoutes({&route, 1}, Vela::HttpMethod::Get, "", "/v1/feedback/17");
//   match->captures.Find("id");  // "17"
//
// Matching, routes in table order:
//   path    a literal route matches a byte-equal path; a template route must match the
//           whole path; its groups, percent-decoded, are captured under their placeholder
//           names (a later placeholder of the same name overwrites an earlier one);
//   method  a binding with method None accepts every request; otherwise the method and
//           the custom verb must both be equal (the verb is empty for methods 1..7);
//   choice  the first passing route is the best match; a later one replaces it only when
//           its captured texts are strictly shorter in total; a literal winner ends the
//           search at once.
// The whole path text is compared: a query string is part of it. Paths of any length are
// matched, in time linear in the path for each piece of a template.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rest/http_method.h"
#include "rest/path_template.h"

namespace Vela {

class FunctionBinding;

// A template route's expression, compiled once: its literal pieces and groups in order. It
// matches as the ECMAScript expression of the template does (whole text, greedy groups,
// the first match found by backtracking from the longest group texts), without a regular
// expression engine: "([^/]*)" takes any bytes but "/", "(.*)" any bytes but "\n" and "\r".
class TemplateMatcher {
 public:
  explicit TemplateMatcher(std::string_view expression);
  // Fills `groups` (one per group, in order) when the whole path matches.
  [[nodiscard]] bool Match(std::string_view path, std::span<std::string_view> groups) const;
  [[nodiscard]] std::size_t groupCount() const noexcept { return groupCount_; }

 private:
  enum class PieceKind : uint8_t { Literal, Segment, Line };
  struct Piece {
    PieceKind kind = PieceKind::Literal;
    std::string text;  // Literal only
  };
  static bool StopsGroup(PieceKind kind, char byte) noexcept;

  std::vector<Piece> pieces_;
  std::size_t groupCount_ = 0;
};

struct Route {
  const FunctionBinding* binding = nullptr;
  // Set when the route is a literal path; otherwise `matcher` is.
  std::optional<std::string> literal;
  // Shared so that routes copy cheaply: the template is compiled once per binding.
  std::shared_ptr<const TemplateMatcher> matcher;
  std::vector<PathParameter> parameters;
};

// Decoded path captures by placeholder name, kept in placeholder order.
class PathCaptures {
 public:
  // Replaces the text of an existing name in place, else appends.
  void Set(std::string_view name, std::string text);
  // Null when there is no capture of that name.
  const std::string* Find(std::string_view name) const noexcept;
  std::size_t size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }
  // Total length of the captured texts: the tie-break between matching routes.
  std::size_t TotalLength() const noexcept;
  auto begin() const noexcept { return entries_.begin(); }
  auto end() const noexcept { return entries_.end(); }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

struct RouteMatch {
  HttpMethod method = HttpMethod::None;
  std::string customVerb;
  std::string path;
  const FunctionBinding* binding = nullptr;
  PathCaptures captures;
};

// An empty template or one without "{" becomes the literal path; any other compiles to the
// matcher of its ECMAScript expression (TemplateToRegex).
Route MakeRoute(const FunctionBinding* binding, std::string_view pathTemplate);

// The path and method tests of one route, as MatchRoutes runs them: true when both pass,
// with the decoded captures added to `captures`.
[[nodiscard]] bool MatchRoute(const Route& route, HttpMethod method, std::string_view customVerb,
                              std::string_view path, PathCaptures& captures);

// Nullopt when no route passes both the path and the method test.
[[nodiscard]] std::optional<RouteMatch> MatchRoutes(std::span<const Route> routes,
                                                    HttpMethod method,
                                                    std::string_view customVerb,
                                                    std::string_view path);

}  // namespace Vela
