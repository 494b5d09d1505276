// Parsing JSON into BindingProperty: kinds of values, failures, repeated keys, depth.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "binding/binding_property.h"
#include "codecs/internal/json_element_limit.h"
#include "codecs/json.h"

namespace Vela {
namespace {

struct ErrorCase {
  int line;
  std::string_view input;
  std::string_view message;
};

// Numbers beyond the double range that the reader itself lets through fail as it fails
// 1e309: where the number starts.
const ErrorCase kOverflowCases[] = {
    {__LINE__, "1e400", "Error: Number too big to be stored in double. at offset 0."},
    {__LINE__, "[1, 1.8e308]", "Error: Number too big to be stored in double. at offset 4."},
    {__LINE__, "[1, -18e307]", "Error: Number too big to be stored in double. at offset 4."},
};

TEST(JsonReaderTest, NumbersBeyondTheDoubleRangeFailWhereTheyStart) {
  for (const ErrorCase& c : kOverflowCases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.input);
    EXPECT_EQ(ParseJson(std::string(c.input)).message(), c.message);
  }
}

// The message the default (recursive) reader gives for the same input.
std::string RecursiveReaderMessage(const std::string& input) {
  rapidjson::Reader reader;
  rapidjson::StringStream stream(input.c_str());
  rapidjson::BaseReaderHandler<> handler;
  const rapidjson::ParseResult parsed = reader.Parse<rapidjson::kParseDefaultFlags>(stream, handler);
  if (!parsed.IsError()) return {};
  return "Error: " + std::string(rapidjson::GetParseError_En(parsed.Code())) + " at offset " +
         std::to_string(parsed.Offset()) + ".";
}

// The parser reads iteratively to survive deep nesting; callers must still see exactly the
// failures the default reader reports, every one of them under the default flags ("Invalid
// encoding" needs encoding validation, "Unspecific syntax error" comments: neither occurs).
TEST(JsonReaderTest, ReportsTheSameFailuresAsTheRecursiveReader) {
  const char* const inputs[] = {
      "[1] x", "01", "  x", "[1,]", "{\"a\":}", "-", "+1", "[", "NaN", "// c\n1", "{1:2}",
      "{\"a\":1,}", "{\"a\" 1}", "{\"a\":1 \"b\":2}", "{\"a\":1]", "[1 2]", "[[1]}", "\"\\u12G4\"",
      "\"\\uD800\"", "\"x\\uD800\\u0041\"", "\"\\x\"", "\"a\tb\"", "\"abc", "[0, -1e309]", "1.",
      "1e", "[[]]]", "{\"a\":{\"b\":[1,{\"c\":}]}}", "{\"a\":[1,2}", "[{\"a\":1]", "{\"a\":{}",
      "[true false]", "{\"a\"::1}", "[\"\\u", "\"\\uD800\\", "[0x10]", "[.5]", "[1]]",
      "{\"k\":tru}", "[\"a\"\"b\"]",
      // A key that repeats before the error (the in-place second reading) changes nothing.
      "[{\"a\":1,\"a\":2}, x]", "{\"a\":1,\"a\":2,}"};
  for (const std::string input : inputs) {
    SCOPED_TRACE(input);
    const std::string expected = RecursiveReaderMessage(input);
    ASSERT_FALSE(expected.empty());
    BindingResult result = ParseJson(input);
    EXPECT_EQ(result.message(), expected);
    // The partly built tree is gone: the slot holds only the failure.
    EXPECT_EQ(result.failure().size(), 1u);
  }
}

// A Collection that cannot take another element stops the reader at that element, whatever
// its kind (the reader reports numbers and containers where they start, other values where
// they end); Structures have no such limit. What was built is released with the failure.
TEST(JsonReaderTest, AFullCollectionStopsTheReader) {
  const struct {
    int line;
    const char* input;
    const char* message;  // empty: parses
  } cases[] = {
      {__LINE__, "[0,0]", ""},
      {__LINE__, R"({"a":0,"b":0,"c":0})", ""},
      {__LINE__, "[0,0,null]", "Error: Terminate parsing due to Handler error. at offset 9."},
      {__LINE__, "[0,0,true]", "Error: Terminate parsing due to Handler error. at offset 9."},
      {__LINE__, "[0,0,-1]", "Error: Terminate parsing due to Handler error. at offset 5."},
      {__LINE__, "[0,0,1]", "Error: Terminate parsing due to Handler error. at offset 5."},
      {__LINE__, "[0,0,1.5]", "Error: Terminate parsing due to Handler error. at offset 5."},
      {__LINE__, R"([0,0,"s"])", "Error: Terminate parsing due to Handler error. at offset 8."},
      {__LINE__, "[0,0,{}]", "Error: Terminate parsing due to Handler error. at offset 5."},
      {__LINE__, "[0,0,[]]", "Error: Terminate parsing due to Handler error. at offset 5."},
      {__LINE__, R"({"k":[{"a":[1,2,3]}]})", "Error: Terminate parsing due to Handler error. at offset 16."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.input);
    BindingResult result = detail::ParseJsonWithElementLimit(c.input, 2);
    EXPECT_EQ(result.message(), c.message);
    if (!result.ok()) {
      EXPECT_EQ(result.failure().size(), 1u);
    }
  }
}

TEST(JsonReaderTest, MapsScalarsToKinds) {
  constexpr uint64_t kU64Max = std::numeric_limits<uint64_t>::max();
  constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();
  const struct {
    int line;
    const char* input;
    BindingProperty expected;
  } cases[] = {
      // Empty or whitespace-only text (or none at all) is an Empty value.
      {__LINE__, "", BindingProperty()},
      {__LINE__, " \t\r\n  \n", BindingProperty()},
      {__LINE__, nullptr, BindingProperty()},
      {__LINE__, "null", BindingProperty()},
      {__LINE__, "true", BindingProperty(true)},
      {__LINE__, " false ", BindingProperty(false)},
      // The sign of the literal picks the kind, not the value.
      {__LINE__, "0", BindingProperty(uint64_t{0})},
      {__LINE__, "-0", BindingProperty(int64_t{0})},
      {__LINE__, "4294967296", BindingProperty(uint64_t{4294967296})},
      {__LINE__, "-2147483649", BindingProperty(int64_t{-2147483649})},
      {__LINE__, "18446744073709551615", BindingProperty(kU64Max)},
      {__LINE__, "18446744073709551616", BindingProperty(18446744073709551616.0)},
      {__LINE__, "-9223372036854775808", BindingProperty(kI64Min)},
      {__LINE__, "-9223372036854775809", BindingProperty(-9223372036854775809.0)},
      {__LINE__, "1.0", BindingProperty(1.0)},
      {__LINE__, "-0.0", BindingProperty(-0.0)},
      {__LINE__, "1e2", BindingProperty(100.0)},
      // Correctly rounded, where the reader's own conversions are not.
      {__LINE__, "-194419909.51765698", BindingProperty(-194419909.51765698)},
      {__LINE__, "1.7976931348623157e308", BindingProperty(1.7976931348623157e308)},
      {__LINE__, "4.9e-324", BindingProperty(4.9e-324)},
      {__LINE__, "2e-324", BindingProperty(0.0)},
      {__LINE__, "\"Ashe\"", BindingProperty("Ashe")},
      // A surrogate pair is one code point; UTF-8 bytes are kept.
      {__LINE__, R"("\uD83D\uDE00")", BindingProperty("\xF0\x9F\x98\x80")},
      {__LINE__, "\"\xC3\xA9\xE2\x82\xAC\"", BindingProperty("\xC3\xA9\xE2\x82\xAC")},
      // Texts are zero-terminated: an escaped NUL ends the string.
      {__LINE__, R"("ab\u0000cd")", BindingProperty("ab")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.input);
    BindingResult result = ParseJson(c.input);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result.value().kind(), c.expected.kind());
    EXPECT_EQ(result.value(), c.expected);
  }
  // -0 and 0.0 compare equal as doubles; the sign must survive.
  EXPECT_TRUE(std::signbit(ParseJson("-0.0").value().GetFloatOr(1.0)));
}

TEST(JsonReaderTest, KeyWithEscapedNulIsCutThere) {
  BindingResult result = ParseJson(R"({"k\u0000x":1})");
  ASSERT_TRUE(result.ok()) << result.message();
  ASSERT_EQ(result.value().size(), 1u);
  EXPECT_EQ(result.value().Fields()[0].name(), "k");
}

TEST(JsonReaderTest, StringObjectIsReadUpToItsFirstNulByte) {
  const std::string text("[1]\0 garbage", 12);
  BindingResult result = ParseJson(text);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(result.value().size(), 1u);
}

TEST(JsonReaderTest, FieldsAreOrderedByUnsignedBytes) {
  BindingResult result = ParseJson("{\"b\":1,\"B\":2,\"a\":3,\"ab\":4,\"\xC3\xA9\":5,\"\":6}");
  ASSERT_TRUE(result.ok()) << result.message();
  std::vector<std::string_view> names;
  for (const BindingField& field : result.value().Fields()) names.push_back(field.name());
  EXPECT_EQ(names, (std::vector<std::string_view>{"", "B", "a", "ab", "b", "\xC3\xA9"}));
}

// Objects of many members (sorted another way than small ones): every member lands in
// name order, and a repeated key still merges in arrival order. The names are of every
// length class the ordering distinguishes (short, four to seven bytes, eight and more with
// shared beginnings, bytes above 0x7F).
TEST(JsonReaderTest, OrdersTheMembersOfLargeObjects) {
  const std::string_view stems[] = {"k", "key_", "long_key_", "\xC3\xA9", "long_key"};
  for (const int count : {60, 300}) {
    for (const bool repeat : {false, true}) {
      SCOPED_TRACE(testing::Message() << count << (repeat ? " with a repeated key" : " distinct"));
      std::string input = "{";
      std::string expected = "{";
      std::vector<std::string> names;
      for (int i = count - 1; i >= 0; --i) {
        names.push_back(std::string(stems[i % std::size(stems)]) + std::to_string(i));
        input += "\"" + names.back() + "\":" + std::to_string(i) + ",";
      }
      const std::string& seven = names[count - 1 - 7];
      input += repeat ? "\"" + seven + "\":[7]}" : "\"z\":-1}";
      std::vector<std::pair<std::string, std::string>> members;
      for (int i = 0; i < count; ++i) {
        const std::string& name = names[count - 1 - i];
        members.emplace_back(name, name == seven && repeat ? "[7]" : std::to_string(i));
      }
      if (!repeat) members.emplace_back("z", "-1");
      std::sort(members.begin(), members.end());
      for (const auto& [name, value] : members) expected += "\"" + name + "\":" + value + ",";
      expected.back() = '}';
      BindingResult result = ParseJson(input);
      ASSERT_TRUE(result.ok()) << result.message();
      EXPECT_EQ(WriteJson(result.value()), expected);
    }
  }
}

// Objects of one document that share names, counts and first and last names but not the
// order between: each is ordered by its own names (an order found for one object must
// serve only objects whose names arrive in the same order).
TEST(JsonReaderTest, OrdersObjectsThatShareNamesInOtherOrders) {
  std::vector<std::string> middle = {"m", "n", "o", "p", "q"};
  std::string input = "[";
  std::string expected = "[";
  for (int round = 0; round < 120; ++round) {
    const std::size_t count = 2 + round % 4;  // of the middle names
    std::rotate(middle.begin(), middle.begin() + 1 + round % 3, middle.end());
    if (round % 5 == 0) std::swap(middle[0], middle[1]);
    std::vector<std::pair<std::string, int>> members = {{"a", round}};
    for (std::size_t i = 0; i < count; ++i) members.emplace_back(middle[i], static_cast<int>(i));
    members.emplace_back("z", -round);
    input += "{";
    for (const auto& [name, value] : members) input += "\"" + name + "\":" + std::to_string(value) + ",";
    input.back() = '}';
    input += ",";
    std::sort(members.begin(), members.end());
    expected += "{";
    for (const auto& [name, value] : members) expected += "\"" + name + "\":" + std::to_string(value) + ",";
    expected.back() = '}';
    expected += ",";
  }
  input.back() = ']';
  expected.back() = ']';
  BindingResult result = ParseJson(input);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(WriteJson(result.value()), expected);
}

TEST(JsonReaderTest, MergesRepeatedKeys) {
  const struct {
    int line;
    const char* input;
    const char* expected;  // compact text of the merged value
  } cases[] = {
      {__LINE__, R"({"a":1,"a":2})", R"({"a":2})"},
      {__LINE__, R"({"a":{"x":1},"a":{"y":2}})", R"({"a":{"x":1,"y":2}})"},
      {__LINE__, R"({"a":[1],"a":[2,3]})", R"({"a":[1,2,3]})"},
      {__LINE__, R"({"a":[1],"a":[]})", R"({"a":[1]})"},
      // Members of merged objects follow the same rules, at any depth.
      {__LINE__, R"({"a":{"x":{"p":1},"l":[1]},"a":{"x":{"q":2},"l":[{"z":0}]}})",
       R"({"a":{"l":[1,{"z":0}],"x":{"p":1,"q":2}}})"},
      // A value of another kind replaces the earlier one.
      {__LINE__, R"({"a":{"x":1},"a":3})", R"({"a":3})"},
      {__LINE__, R"({"a":{"x":1},"a":[1]})", R"({"a":[1]})"},
      // Each value merges into what the values before it left, in arrival order: a later
      // object whose own key repeats replaces, then appends to, the earlier array.
      {__LINE__, R"({"a":{"k":[1]},"a":{"k":5,"k":[2]}})", R"({"a":{"k":[2]}})"},
      {__LINE__, R"({"a":{"k":[1]},"a":{"k":[2],"k":[3]}})", R"({"a":{"k":[1,2,3]}})"},
      {__LINE__, R"({"a":{"k":{"x":1}},"a":{"k":[0],"k":{"y":2}}})", R"({"a":{"k":{"y":2}}})"},
      // Three and more values: only those since the last replacement count.
      {__LINE__, R"({"a":[1],"a":{"x":1},"a":{"y":2},"a":{"x":3}})", R"({"a":{"x":3,"y":2}})"},
      {__LINE__, R"({"a":[1],"a":[2],"a":3,"a":[4],"a":[5]})", R"({"a":[4,5]})"},
      {__LINE__, R"({"a":{"b":{"c":[1]}},"a":{"b":{"c":[2],"c":{"d":1}}},"a":{"b":{"c":{"e":2}}}})",
       R"({"a":{"b":{"c":{"d":1,"e":2}}}})"},
      // Objects inside appended arrays keep their own repeats apart.
      {__LINE__, R"({"a":[{"k":1,"k":2}],"a":[{"k":3,"k":[4]}],"b":0,"a":[]})",
       R"({"a":[{"k":2},{"k":[4]}],"b":0})"},
      // Inside arrays every value is a new element: nothing merges across elements.
      {__LINE__, R"([{"a":1},{"a":2}])", R"([{"a":1},{"a":2}])"},
      {__LINE__, R"([{"a":1,"b":1,"a":2}])", R"([{"a":2,"b":1}])"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.input);
    BindingResult result = ParseJson(c.input);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(WriteJson(result.value()), c.expected);
  }
}

// Parsed empty arrays are ordinary Collections: each grows, reserves, copies and goes
// away on its own, leaving the others (and later documents) empty.
TEST(JsonReaderTest, EmptyArraysOfADocumentChangeIndependently) {
  BindingResult result = ParseJson(R"({"a":[],"b":[],"c":[[],{"d":[]}]})");
  ASSERT_TRUE(result.ok()) << result.message();
  BindingProperty& doc = result.value();

  doc.MutableField("a").Append() = 1u;
  doc.MutableField("a").Append() = 2u;
  doc.MutableField("b").Reserve(8);
  BindingProperty copy = doc.FieldOrEmpty("c");
  copy.MutableElement(0).MutableElement(2) = "x";
  doc.MutableField("c").MutableElement(1).MutableField("d").Reset();

  EXPECT_EQ(WriteJson(doc), R"({"a":[1,2],"b":[],"c":[[],{"d":null}]})");
  EXPECT_EQ(WriteJson(copy), R"([[null,null,"x"],{"d":[]}])");
  EXPECT_EQ(WriteJson(ParseJson("[[],[]]").value()), "[[],[]]");
  EXPECT_TRUE(ParseJson("[]").value() == ParseJson("[]").value());
}

// Both directions handle nesting without recursion: a million levels must neither exhaust
// the stack nor fail, and a failure that deep reports its offset.
TEST(JsonReaderTest, ParsesAndWritesAMillionNestedArrays) {
  constexpr std::size_t kDepth = 1'000'000;
  std::string text(kDepth, '[');
  text.append(kDepth, ']');

  BindingResult result = ParseJson(text);
  ASSERT_TRUE(result.ok()) << result.message();
  std::size_t depth = 1;
  const BindingProperty* node = &result.value();
  while (node->kind() == BindingKind::Collection && node->size() == 1) {
    node = &node->ElementOrEmpty(0);
    ++depth;
  }
  EXPECT_EQ(node->kind(), BindingKind::Collection);
  EXPECT_EQ(node->size(), 0u);
  EXPECT_EQ(depth, kDepth);

  EXPECT_TRUE(WriteJson(result.value()) == text);

  text.resize(kDepth);
  text += "}";
  EXPECT_EQ(ParseJson(text).message(),
            "Error: Invalid value. at offset " + std::to_string(kDepth) + ".");
}

TEST(JsonReaderTest, DeeplyNestedObjectsRoundTrip) {
  constexpr std::size_t kDepth = 200'000;
  std::string text;
  for (std::size_t i = 0; i < kDepth; ++i) text += "{\"a\":";
  text += "1";
  text.append(kDepth, '}');

  BindingResult result = ParseJson(text);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(WriteJson(result.value()) == text);
}

}  // namespace
}  // namespace Vela
