// Subset matching of expected values against answers and event data.
#include "value_subset.h"

#include <gtest/gtest.h>

#include "read_back.h"

namespace Vela::Host {
namespace {

using Testing::Json;

TEST(ValueSubsetTest, FirstMismatchByPlace) {
  struct Case {
    int line;
    const char* expected;
    const char* actual;
    const char* mismatch;
  };
  const Case cases[] = {
      {__LINE__, R"({"reason":"Leaver"})", R"({"id":1,"reason":"Leaver","source":"Login"})", ""},
      {__LINE__, R"({"reason":"Leaver"})", R"({"reason":"Banned"})", R"(at value.reason: expected "Leaver", found "Banned")"},
      {__LINE__, R"({"reason":"Leaver"})", R"({"id":1})", R"(at value.reason: missing, expected "Leaver")"},
      {__LINE__, R"({"a":{"b":[1,{"c":true}]}})", R"({"a":{"b":[1,{"c":false,"d":0}]}})",
       "at value.a.b[1].c: expected true, found false"},
      // Lists are compared element by element and must have the same length.
      {__LINE__, "[1,2]", "[1,2,3]", "at value: expected 2 elements, found 3: [1,2,3]"},
      {__LINE__, R"([{"id":1}])", R"([{"id":1,"type":"t"}])", ""},
      // Numbers agree by value, whatever their kind.
      {__LINE__, "1", "1.0", ""},
      {__LINE__, "-1", "18446744073709551615", "at value: expected -1, found 18446744073709551615"},
      {__LINE__, "3", "\"3\"", "at value: expected 3, found \"3\""},
      {__LINE__, "null", "0", "at value: expected null, found 0"},
      {__LINE__, "{}", "[]", "at value: expected {}, found []"},
      // The first field in order is reported first.
      {__LINE__, R"({"a":1,"b":2})", R"({"a":0,"b":0})", "at value.a: expected 1, found 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SubsetMismatch(Json(c.expected), Json(c.actual)), c.mismatch);
  }
}

TEST(ValueSubsetTest, RootNameIsTheCallersAndTextsAreCompactJson) {
  EXPECT_EQ(SubsetMismatch(Json("[1]"), Json("[2]"), "args"), "at args[0]: expected 1, found 2");
  EXPECT_EQ(ValueText(BindingProperty()), "null");
  EXPECT_EQ(ValueText(Json(R"({ "b" : [1, 2] })")), R"({"b":[1,2]})");
}

}  // namespace
}  // namespace Vela::Host
