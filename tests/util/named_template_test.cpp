#include "util/named_template.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace Vela {
namespace {

using Args = std::vector<TypedArgument>;
using Values = std::map<std::string, TypedArgument>;

TypedArgument T(const char* text) { return TypedArgument::Text(text); }

Values Sorted(const NamedValues& values) { return Values(values.begin(), values.end()); }

struct Case {
  int line;
  std::string pattern;
  Args arguments;
  std::string positional;
  Values values;
};

TEST(ParseNamedTemplate, ProducesPositionalTemplateAndNamedValues) {
  const Case cases[] = {
      {__LINE__, "Error response for {method} {url}: {error}", {T("GET"), T("/x"), T("boom")},
       "Error response for %1 %2: %3", {{"method", T("GET")}, {"url", T("/x")}, {"error", T("boom")}}},
      {__LINE__, "{#code}", {TypedArgument::Signed(5)}, "%1", {{"code_int", TypedArgument::Signed(5)}}},
      {__LINE__, "{#code_long}", {TypedArgument::Signed(5)}, "%1", {{"code_long", TypedArgument::Signed(5)}}},
      {__LINE__, "{#on}{#n}{#f}{#s}",
       {TypedArgument::Bool(true), TypedArgument::Unsigned(1), TypedArgument::Double(0.5), T("x")},
       "%1%2%3%4",
       {{"on_bool", TypedArgument::Bool(true)}, {"n_int", TypedArgument::Unsigned(1)},
        {"f_float", TypedArgument::Double(0.5)}, {"s_str", T("x")}}},
      // Only the text after the last "_" counts as a suffix.
      {__LINE__, "{#at_time}{#ip_addr}", {T("t"), T("a")}, "%1%2",
       {{"at_time", T("t")}, {"ip_addr_str", T("a")}}},
      {__LINE__, "n={count?none}.", {TypedArgument::Signed(0)}, "n=none.", {}},
      {__LINE__, "n={count?none}.", {TypedArgument::Signed(3)}, "n=%1.", {{"count", TypedArgument::Signed(3)}}},
      {__LINE__, "{a?-}{b?-}{c?-}{d?-}",
       {TypedArgument::Bool(false), TypedArgument::Double(0.0), T(""), TypedArgument::Unsigned(0)},
       "----", {}},
      {__LINE__, "{id@hex}", {TypedArgument::Signed(255)}, "%1$016llX", {{"id", T("00000000000000FF")}}},
      {__LINE__, "{id@hex}", {TypedArgument::Signed(-1)}, "%1$016llX", {{"id", T("FFFFFFFFFFFFFFFF")}}},
      {__LINE__, "{a@str}{b@str}{c@str}{d@str}",
       {TypedArgument::Bool(true), TypedArgument::Signed(-4), TypedArgument::Double(1.5), T("t")},
       "%1%2%3%4", {{"a", T("true")}, {"b", T("-4")}, {"c", T("1.500000")}, {"d", T("t")}}},
      // An unknown conversion changes nothing.
      {__LINE__, "{a@oct}", {TypedArgument::Signed(8)}, "%1", {{"a", TypedArgument::Signed(8)}}},
      {__LINE__, "{n:08.3f}", {TypedArgument::Double(2.5)}, "%1$08.3f", {{"n", TypedArgument::Double(2.5)}}},
      {__LINE__, "{n:}!", {TypedArgument::Double(2.5)}, "%1!", {{"n", TypedArgument::Double(2.5)}}},
      {__LINE__, "{{literal}}", {}, "{literal}", {}},
      {__LINE__, "a } b", {}, "a } b", {}},
      {__LINE__, "100%%", {T("x")}, "100%%", {}},
      {__LINE__, "a {!tag} b", {T("v")}, "a b", {{"tag", T("v")}}},
      {__LINE__, "a \t{!tag}", {T("v")}, "a", {{"tag", T("v")}}},
      // Unnamed placeholders take their argument without recording it.
      {__LINE__, "{} and {}", {T("x"), T("y")}, "%1 and %2", {}},
      // Past the last argument: nothing written, nothing recorded.
      {__LINE__, "{a} {b}", {T("x")}, "%1 ", {{"a", T("x")}}},
      // Unterminated placeholders are dropped.
      {__LINE__, "x {a", {T("v")}, "x ", {}},
      {__LINE__, "x {a\\", {T("v")}, "x ", {}},
      // Escapes and ignored braces inside a placeholder.
      {__LINE__, "{a\\}b}", {T("v")}, "%1", {{"a}b", T("v")}}},
      {__LINE__, "{a{b}", {T("v")}, "%1", {{"ab", T("v")}}},
      {__LINE__, "{a?x\\:y}", {T("")}, "x:y", {}},
      // A later placeholder of the same name replaces the value.
      {__LINE__, "{a}{a}", {T("1"), T("2")}, "%1%2", {{"a", T("2")}}},
      // printf conversions are copied, and the counter moves past them.
      {__LINE__, "%s {b}", {T("x"), T("y")}, "%s %2", {{"b", T("y")}}},
      {__LINE__, "%2$s {c}", {T("x"), T("y"), T("z")}, "%2$s %3", {{"c", T("z")}}},
      {__LINE__, "%1 {b}", {T("x"), T("y")}, "%1 %2", {{"b", T("y")}}},
      {__LINE__, "{a} %08.3f {c}", {T("x"), TypedArgument::Double(1), T("z")}, "%1 %08.3f %3",
       {{"a", T("x")}, {"c", T("z")}}},
      {__LINE__, "{a} %s", {T("x")}, "%1 ", {{"a", T("x")}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string positional = "stale";
    NamedValues values;
    ParseNamedTemplate(c.pattern, c.arguments, positional, values);
    EXPECT_EQ(positional, c.positional);
    EXPECT_EQ(Sorted(values), c.values);
  }
}

TEST(FormatNamedTemplate, RendersWithTheSameArguments) {
  struct RenderCase {
    int line;
    std::string pattern;
    Args arguments;
    std::string expected;
  };
  const RenderCase cases[] = {
      {__LINE__, "Error response for {method} {url}: {error}", {T("GET"), T("/a/b"), T("Not found")},
       "Error response for GET /a/b: Not found"},
      {__LINE__, "id={id@hex}", {TypedArgument::Unsigned(255)}, "id=00000000000000FF"},
      {__LINE__, "{n:.2f}s", {TypedArgument::Double(1.234)}, "1.23s"},
      {__LINE__, "flag={f}", {TypedArgument::Bool(true)}, "flag=1"},
      {__LINE__, "Failed to deserialize response payload \"{payload}\" to a {type}", {T("{}"), T("Ban")},
       "Failed to deserialize response payload \"{}\" to a Ban"},
  };
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.line);
    NamedValues values;
    EXPECT_EQ(FormatNamedTemplate(c.pattern, c.arguments, values), c.expected);
  }
}

}  // namespace
}  // namespace Vela
