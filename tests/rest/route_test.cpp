#include "rest/route.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rest/function_binding.h"
#include "rest/function_record.h"
#include "rest/http_method.h"

namespace Vela {
namespace {

// Bindings for route tests: a function per binding, so each binding has its own method.
class RouteTest : public ::testing::Test {
 protected:
  FunctionBinding& Binding(HttpMethod method, std::string_view verb = {}) {
    auto& function = functions_.emplace_back(std::make_unique<FunctionRecord>());
    function->name = "F" + std::to_string(functions_.size());
    auto& binding = bindings_.emplace_back(std::make_unique<FunctionBinding>(*function));
    binding->SetMethod(method, verb);
    return *binding;
  }

  std::vector<std::unique_ptr<FunctionRecord>> functions_;
  std::vector<std::unique_ptr<FunctionBinding>> bindings_;
};

TEST_F(RouteTest, MethodTest) {
  struct Row {
    int line;
    HttpMethod bindingMethod;
    std::string_view bindingVerb;
    HttpMethod requestMethod;
    std::string_view requestVerb;
    bool found;
  };
  const Row rows[] = {
      {__LINE__, HttpMethod::Post, "", HttpMethod::Get, "", false},
      {__LINE__, HttpMethod::None, "", HttpMethod::Get, "", true},
      {__LINE__, HttpMethod::Custom, "PURGE", HttpMethod::Custom, "PURGE", true},
      {__LINE__, HttpMethod::Custom, "PURGE", HttpMethod::Custom, "purge", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FunctionBinding& binding = Binding(row.bindingMethod, row.bindingVerb);
    const Route route = MakeRoute(&binding, "/r/{x}");
    const auto match = MatchRoutes({&route, 1}, row.requestMethod, row.requestVerb, "/r/1");
    EXPECT_EQ(match.has_value(), row.found);
    if (match) {
      EXPECT_EQ(match->method, row.requestMethod);
      EXPECT_EQ(match->customVerb, row.requestVerb);
    }
  }
}

// Paths of any length match template routes, also where backtracking would try every split
// of the path between several groups.
TEST_F(RouteTest, LongPathsMatchTemplateRoutes) {
  FunctionBinding& binding = Binding(HttpMethod::Get);
  const std::size_t length = 1 << 20;
  const std::string many(length, 'a');
  struct Row {
    int line;
    std::string pathTemplate;
    std::string path;
    std::vector<std::size_t> groupLengths;  // empty: no match
  };
  const Row rows[] = {
      {__LINE__, "/files/{+path}", "/files/" + many, {length}},
      {__LINE__, "/files/{name}", "/files/" + many, {length}},
      {__LINE__, "/files/{name}", "/files/" + many + "/", {}},
      // The first group takes the longest text the rest allows.
      {__LINE__, "/files/{+a}x{+b}", "/files/" + many + "x" + many, {length, length}},
      {__LINE__, "/files/{a}{b}{c}", "/files/" + many, {length, 0, 0}},
      // Nothing matches: every split of the path fails.
      {__LINE__, "/files/{+a}x{+b}x{+c}y", "/files/" + std::string(length, 'x'), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Route route = MakeRoute(&binding, row.pathTemplate);
    std::vector<std::string_view> groups(route.matcher->groupCount());
    const bool matched = route.matcher->Match(row.path, groups);
    ASSERT_EQ(matched, !row.groupLengths.empty());
    if (!matched) continue;
    std::vector<std::size_t> lengths;
    for (std::string_view group : groups) lengths.push_back(group.size());
    EXPECT_EQ(lengths, row.groupLengths);
    EXPECT_TRUE(MatchRoutes({&route, 1}, HttpMethod::Get, "", row.path).has_value());
  }
  // A literal route compares a path of any length.
  const std::string longLiteral = "/files/" + std::string(length, 'b');
  const Route literal = MakeRoute(&binding, longLiteral);
  EXPECT_TRUE(MatchRoutes({&literal, 1}, HttpMethod::Get, "", longLiteral).has_value());
}

TEST_F(RouteTest, ChoiceAmongSeveralRoutes) {
  FunctionBinding& first = Binding(HttpMethod::None);
  FunctionBinding& second = Binding(HttpMethod::None);
  FunctionBinding& third = Binding(HttpMethod::None);
  FunctionBinding& post = Binding(HttpMethod::Post);

  {
    SCOPED_TRACE("equal totals: the earlier route stays");
    const std::vector<Route> routes = {MakeRoute(&first, "/a/{x}"), MakeRoute(&second, "/a/{x}{y}")};
    const auto match = MatchRoutes(routes, HttpMethod::Get, "", "/a/bc");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->binding, &first);
    EXPECT_EQ(*match->captures.Find("x"), "bc");
  }
  {
    SCOPED_TRACE("strictly shorter captures win");
    const std::vector<Route> routes = {MakeRoute(&first, "/a/{+x}"), MakeRoute(&second, "/a/b{y}")};
    const auto match = MatchRoutes(routes, HttpMethod::Get, "", "/a/bcd");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->binding, &second);
    EXPECT_EQ(*match->captures.Find("y"), "cd");
    EXPECT_EQ(match->captures.Find("x"), nullptr);
  }
  {
    SCOPED_TRACE("a literal winner ends the search");
    const std::vector<Route> routes = {MakeRoute(&first, "/a/{x}"), MakeRoute(&second, "/a/b"),
                                       MakeRoute(&third, "/a/b")};
    const auto match = MatchRoutes(routes, HttpMethod::Get, "", "/a/b");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->binding, &second);
    EXPECT_TRUE(match->captures.empty());
  }
  {
    SCOPED_TRACE("a route rejected by method does not win");
    const std::vector<Route> routes = {MakeRoute(&post, "/a/b"), MakeRoute(&first, "/a/{x}")};
    const auto match = MatchRoutes(routes, HttpMethod::Get, "", "/a/b");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->binding, &first);
  }
  EXPECT_FALSE(MatchRoutes({}, HttpMethod::Get, "", "/a"));
}

// A binding without a template is found by its name (the dispatch tests call one so); a
// template then replaces the name.
TEST_F(RouteTest, ATemplateReplacesTheNameAsTheBindingsRoute) {
  FunctionBinding& binding = Binding(HttpMethod::Get);
  binding.SetPathTemplate("/v1/items/{id}");
  EXPECT_TRUE(MatchRoutes({&binding.route(), 1}, HttpMethod::Get, "", "/v1/items/9"));
  EXPECT_FALSE(MatchRoutes({&binding.route(), 1}, HttpMethod::Get, "", binding.function().name));
}

}  // namespace
}  // namespace Vela
