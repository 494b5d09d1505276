#include "calls/call_failure.h"

#include <gtest/gtest.h>

#include "binding/maybe_type.h"

namespace Vela {
namespace {

TEST(CallFailure, RendersTheTemplateAndKeepsNamedValuesAndStatus) {
  struct Case {
    int line;
    uint32_t status;
  };
  const Case cases[] = {{__LINE__, 0}, {__LINE__, 404}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const BindingProperty failure =
        MakeCallFailure("Error response for {method} {url}: {error}", {"GET", "/a/b", "50% gone"}, c.status);
    EXPECT_EQ(Failure::MessageOf(failure), "Error response for GET /a/b: 50% gone");
    const BindingProperty& named = FailureNamedValues(failure);
    EXPECT_EQ(named.FieldOrEmpty("method").GetStringOr(""), "GET");
    EXPECT_EQ(named.FieldOrEmpty("url").GetStringOr(""), "/a/b");
    EXPECT_EQ(named.FieldOrEmpty("error").GetStringOr(""), "50% gone");
    EXPECT_EQ(FailureStatusCode(failure), c.status);
    if (c.status == 0) {
      EXPECT_TRUE(named.FieldOrEmpty("errorCode_int").IsEmpty());
      EXPECT_EQ(named.size(), 3u);
    } else {
      EXPECT_EQ(named.FieldOrEmpty("errorCode_int").kind(), BindingKind::Signed);
      EXPECT_EQ(named.FieldOrEmpty("errorCode_int").GetSignedOr(0), c.status);
    }
  }
}

}  // namespace
}  // namespace Vela
