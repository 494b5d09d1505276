#include "rest/http_method.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace Vela {
namespace {

TEST(MethodTextTest, CodesAndUnknowns) {
  struct Row {
    int line;
    uint32_t code;
    std::string_view text;
    HttpMethod fromHost;
  };
  const Row rows[] = {
      {__LINE__, 0, "", HttpMethod::None},
      {__LINE__, 1, "DELETE", HttpMethod::Delete},
      {__LINE__, 2, "GET", HttpMethod::Get},
      {__LINE__, 3, "HEAD", HttpMethod::Head},
      {__LINE__, 6, "POST", HttpMethod::Post},
      {__LINE__, 7, "PUT", HttpMethod::Put},
      {__LINE__, 8, "", HttpMethod::Custom},  // the verb travels beside the code
      {__LINE__, 9, "", HttpMethod::None},
      {__LINE__, 0xFFFFFFFFu, "", HttpMethod::None},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(MethodText(row.code), row.text);
    EXPECT_EQ(HttpMethodFromHost(row.code), row.fromHost);
  }
}

}  // namespace
}  // namespace Vela
