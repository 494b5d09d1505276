// Template routes match without a regular expression engine; their matches must be those
// of the ECMAScript expression each template compiles to. Every template here is matched
// against every path both ways, and the two must agree on the match and on every group.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rest/function_binding.h"
#include "rest/function_record.h"
#include "rest/http_method.h"
#include "rest/path_template.h"
#include "rest/route.h"
#include "rest/url_decode.h"

namespace Vela {
namespace {

using Captures = std::vector<std::pair<std::string, std::string>>;

// What the expression gives: the decoded groups under their placeholder names, a later
// group of the same name replacing the earlier one's text in place.
std::optional<Captures> ExpressionMatch(std::string_view pathTemplate, const std::string& path) {
  const PathPattern pattern = TemplateToRegex(pathTemplate);
  const std::regex expression(pattern.expression, std::regex::ECMAScript);
  std::smatch groups;
  if (!std::regex_match(path, groups, expression)) return std::nullopt;
  Captures captures;
  for (std::size_t i = 0; i < pattern.parameters.size(); ++i) {
    std::string text = UrlDecode(groups[i + 1].str());
    bool replaced = false;
    for (auto& [name, value] : captures) {
      if (name == pattern.parameters[i].name) {
        value = text;
        replaced = true;
      }
    }
    if (!replaced) captures.emplace_back(pattern.parameters[i].name, std::move(text));
  }
  return captures;
}

TEST(TemplateMatcherTest, MatchesAsTheTemplatesExpression) {
  const std::vector<std::string> templates = {
      "",
      "/a/b",               // a literal route: the whole path, nothing more
      "/arx-player-behavior/v1/reporter-feedback/{id}",
      "/a/{x}",
      "/a/{x}/b",
      "/a/{x}{y}",          // two groups back to back: the first takes all it can
      "/a/{+x}",
      "/a/{+x}/{y}",        // backtracks to the last "/"
      "/a/{+x}b{+y}",
      "/a/{x}.{y}",         // an escaped point matches only a point
      "/p{#f}",
      "/p{#f}/{x}",
      "/r/{x}/{x}",         // a repeated name: the later group wins
      "/e/{}",              // an empty name
      "/u/{x",              // an unterminated placeholder is dropped
      "/s/(a)[b]^$|\\?*+/{x}",  // every escaped special
      "}/{x}",
      "{x}",
      "{+x}",
      "/ünï/{x}",
  };
  const std::vector<std::string> paths = {
      "",
      "/",
      "/arx-player-behavior/v1/reporter-feedback/42",
      "/arx-player-behavior/v1/reporter-feedback/",
      "/arx-player-behavior/v1/reporter-feedback/4/2",
      "/a/",
      "/a/b",
      "/a/bc",
      "/a/b/b",
      "/a/b/c/d",
      "/a/x/y/b",
      "/a/bbb",
      "/a/1.2",
      "/a/1.2.3",
      "/a/1x2",
      "/a/b%2Fc",
      "/a/b+c",
      "/a/b\nc",    // "." stops at line ends, "[^/]" does not
      "/a/b\rc/d",
      "/a/b\n/c",
      std::string("/a/b\0c", 6),
      "/p#frag",
      "/p#fr#ag/x",
      "/p#",
      "/p",
      "/r/1/2",
      "/e/",
      "/e/v",
      "/u/",
      "/u/{x",
      "/s/(a)[b]^$|\\?*+/v",
      "/s/a/v",
      "}/v",
      "x",
      "x/y",
      "/ünï/ö",
      "/a/b?x=1",
  };
  FunctionRecord function;
  function.name = "Route";
  FunctionBinding binding(function);
  int compared = 0;
  int matched = 0;
  for (const std::string& pathTemplate : templates) {
    const Route route = MakeRoute(&binding, pathTemplate);
    for (const std::string& path : paths) {
      SCOPED_TRACE("template " + pathTemplate + ", path " + path);
      const std::optional<Captures> expected = ExpressionMatch(pathTemplate, path);
      const std::optional<RouteMatch> match = MatchRoutes({&route, 1}, HttpMethod::Get, "", path);
      ASSERT_EQ(match.has_value(), expected.has_value());
      ++compared;
      if (!match) continue;
      ++matched;
      EXPECT_EQ(match->binding, &binding);
      EXPECT_EQ(match->path, path);
      EXPECT_EQ(Captures(match->captures.begin(), match->captures.end()), *expected);
    }
  }
  // The table must exercise both outcomes broadly, or the comparison proves little.
  EXPECT_EQ(compared, static_cast<int>(templates.size() * paths.size()));
  EXPECT_GT(matched, 40);
}

// The dispatch's one-route test and the table's choice agree, and a failed test leaves the
// captures untouched.
TEST(TemplateMatcherTest, MatchRouteIsTheTablesTestForOneRoute) {
  FunctionRecord function;
  function.name = "Route";
  FunctionBinding binding(function);
  binding.SetMethod(HttpMethod::Get);
  const Route route = MakeRoute(&binding, "/v1/items/{id}/{+rest}");
  struct Row {
    int line;
    HttpMethod method;
    std::string_view path;
    bool found;
    Captures captures;
  };
  const Row rows[] = {
      {__LINE__, HttpMethod::Get, "/v1/items/7/a/b", true, {{"id", "7"}, {"rest", "a/b"}}},
      {__LINE__, HttpMethod::Get, "/v1/items/7%20/", true, {{"id", "7 "}, {"rest", ""}}},
      {__LINE__, HttpMethod::Post, "/v1/items/7/a", false, {}},
      {__LINE__, HttpMethod::Get, "/v1/items/7", false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    PathCaptures captures;
    ASSERT_EQ(MatchRoute(route, row.method, "", row.path, captures), row.found);
    EXPECT_EQ(Captures(captures.begin(), captures.end()), row.captures);
    const auto viaTable = MatchRoutes({&route, 1}, row.method, "", row.path);
    ASSERT_EQ(viaTable.has_value(), row.found);
    if (viaTable) {
      EXPECT_EQ(Captures(viaTable->captures.begin(), viaTable->captures.end()), row.captures);
    }
  }
}

}  // namespace
}  // namespace Vela
