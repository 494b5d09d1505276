#include "rest/path_template.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace Vela {
namespace {

TEST(TemplateToRegexTest, ExpressionsAndParameters) {
  using K = PathParameterKind;
  struct Row {
    int line;
    std::string_view pathTemplate;
    std::string_view expression;
    std::vector<PathParameter> parameters;
  };
  const Row rows[] = {
      {__LINE__, "/arx-player-behavior/v1/reporter-feedback/{id}",
       "/arx-player-behavior/v1/reporter-feedback/([^/]*)", {{K::Simple, "id"}}},
      {__LINE__, "/a/{+rest}", "/a/(.*)", {{K::Reserved, "rest"}}},
      {__LINE__, "/a{#frag}", "/a#(.*)", {{K::Fragment, "frag"}}},
      {__LINE__, "/v1.0/{x}", "/v1\\.0/([^/]*)", {{K::Simple, "x"}}},
      {__LINE__, "^$.*+?()[]|\\", "\\^\\$\\.\\*\\+\\?\\(\\)\\[\\]\\|\\\\", {}},
      // "+" and "#" count only as the first character inside the braces.
      {__LINE__, "/{a+b}/{+c#d}", "/([^/]*)/(.*)", {{K::Simple, "a+b"}, {K::Reserved, "c#d"}}},
      {__LINE__, "/{x}{y}", "/([^/]*)([^/]*)", {{K::Simple, "x"}, {K::Simple, "y"}}},
      {__LINE__, "/open{x", "/open", {}},  // an unterminated placeholder is dropped
      {__LINE__, "/a}b", "/a\\}b", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const PathPattern pattern = TemplateToRegex(row.pathTemplate);
    EXPECT_EQ(pattern.expression, row.expression);
    EXPECT_EQ(pattern.parameters, row.parameters);
  }
}

}  // namespace
}  // namespace Vela
