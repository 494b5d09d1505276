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
// The whole path text is compared: a query string is part of it. A path longer than
// kMaxTemplatePathLength matches no template route (see there); literal routes compare
// paths of any length.
#pragma once

#include <memory>
#include <optional>
#include <regex>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rest/http_method.h"
#include "rest/path_template.h"

namespace Vela {

class FunctionBinding;

// The standard library's expression matcher recurses once per character of the text, so a
// path of a few thousand bytes would exhaust a 1 MiB thread stack and end the process.
// Longer paths than this are not offered to a template route's expression.
inline constexpr std::size_t kMaxTemplatePathLength = 1024;

struct Route {
  const FunctionBinding* binding = nullptr;
  // Set when the route is a literal path; otherwise `expression` is.
  std::optional<std::string> literal;
  // Shared so that routes copy cheaply: the expression is compiled once per binding.
  std::shared_ptr<const std::regex> expression;
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

// An empty template or one without "{" becomes the literal path; any other compiles to an
// ECMAScript expression (TemplateToRegex), which every template's escaping makes valid.
Route MakeRoute(const FunctionBinding* binding, std::string_view pathTemplate);

// Nullopt when no route passes both the path and the method test.
[[nodiscard]] std::optional<RouteMatch> MatchRoutes(std::span<const Route> routes,
                                                    HttpMethod method,
                                                    std::string_view customVerb,
                                                    std::string_view path);

}  // namespace Vela
