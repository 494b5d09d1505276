#include "rest/function_name.h"

#include <gtest/gtest.h>

#include <string_view>

namespace Vela {
namespace {

TEST(MakeFunctionNameTest, CamelCasesMethodAndPath) {
  struct Row {
    int line;
    std::string_view method;
    std::string_view path;
    std::string_view name;
  };
  const Row rows[] = {
      {__LINE__, "GET", "/arx-login/v1/session", "GetArxLoginV1Session"},
      {__LINE__, "DELETE", "/arx-player-behavior/v1/reporter-feedback/{id}",
       "DeleteArxPlayerBehaviorV1ReporterFeedbackById"},
      {__LINE__, "", "/a_b", "AB"},
      // The method's tail is lowered, whatever its case.
      {__LINE__, "gEt", "/x", "GetX"},
      {__LINE__, "", "/a.b!c+d", "ABCD"},
      {__LINE__, "", "/{+rest}", "ByRest"},
      // Characters that are no separators stay as they are.
      {__LINE__, "", "/aB?c=d", "AB?c=d"},
      {__LINE__, "PUT", "", "Put"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(MakeFunctionName(row.method, row.path), row.name);
  }
}

}  // namespace
}  // namespace Vela
