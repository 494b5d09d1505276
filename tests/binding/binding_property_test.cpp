#include "binding/binding_property.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "binding/binding_context.h"
#include "binding/maybe_type.h"
#include "binding/property_builders.h"
#include "binding/type_identity.h"
#include "logging/assertion.h"
#include "util/assertion_hook.h"

namespace Vela {
namespace {

const TypeIdentity kColourType{0x1234ABCD, "Colour"};

std::vector<std::string> FieldNames(const BindingProperty& value) {
  std::vector<std::string> names;
  for (const BindingField& field : value.Fields()) {
    names.emplace_back(field.name());
  }
  return names;
}

TEST(BindingPropertyTest, FieldsAreOrderedByUnsignedBytes) {
  BindingProperty value;
  for (const char* name : {"b", "B", "a", "ab", "\xC3\xA9", "", "a\xFF"}) {
    value.MutableField(name) = name;
  }
  EXPECT_EQ(FieldNames(value),
            // a signed comparison would put "a\xFF" before "ab"
            (std::vector<std::string>{"", "B", "a", "ab", "a\xFF", "b", "\xC3\xA9"}));
  for (const BindingField& field : value.Fields()) {
    EXPECT_EQ(field.value().GetStringOr("?"), field.name());
  }
}

TEST(BindingPropertyTest, ManyFieldsInAnyOrderStaySortedAndFindable) {
  BindingProperty value;
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i) {
    names.push_back("k" + std::to_string((i * 7919) % 500));
  }
  for (const std::string& name : names) {
    value.MutableField(name) = name;
  }
  ASSERT_EQ(value.size(), 500u);
  std::vector<std::string> seen = FieldNames(value);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  for (const std::string& name : names) {
    EXPECT_EQ(value.FieldOrEmpty(name).GetStringOr({}), name);
  }
}

TEST(BindingPropertyTest, ReadsOfWhatIsMissingAreEmpty) {
  const BindingProperty number(int64_t{3});
  EXPECT_TRUE(Structure({{"present", 1}}).FieldOrEmpty("absent").IsEmpty());
  EXPECT_TRUE(number.FieldOrEmpty("x").IsEmpty());
  EXPECT_TRUE(number.ElementOrEmpty(0).IsEmpty());
  EXPECT_TRUE(Collection({1}).ElementOrEmpty(1).IsEmpty());
}

TEST(BindingPropertyTest, ElementAccessPastTheEndAppendsEmptyElements) {
  BindingProperty value;
  value.MutableElement(5) = "last";
  ASSERT_EQ(value.kind(), BindingKind::Collection);
  ASSERT_EQ(value.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_TRUE(value.ElementOrEmpty(i).IsEmpty()) << i;
  }
  EXPECT_EQ(value.ElementOrEmpty(5).GetStringOr({}), "last");
}

TEST(BindingPropertyTest, WritesPastTheLimitThrowAndLeaveTheValue) {
  struct Case {
    int line;
    void (*write)(BindingProperty&);
  };
  const Case cases[] = {
      {__LINE__, [](BindingProperty& v) { v.Reserve(kMaxCollectionElements + 1); }},
      {__LINE__, [](BindingProperty& v) { v.MutableElement(kMaxCollectionElements); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    BindingProperty value;
    value.Append() = "kept";
    EXPECT_THROW(c.write(value), std::length_error);
    ASSERT_EQ(value.size(), 1u);
    EXPECT_EQ(value.ElementOrEmpty(0).GetStringOr({}), "kept");
  }
}

TEST(BindingPropertyTest, RemoveField) {
  BindingProperty value;
  value.MutableField("a") = 1;
  value.MutableField("b").MutableField("inner") = "x";
  value.MutableField("c") = 3;
  EXPECT_TRUE(value.RemoveField("b"));
  EXPECT_FALSE(value.RemoveField("b"));
  EXPECT_EQ(FieldNames(value), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(value.context()->ReferencesOf("inner"), 0u);
  EXPECT_EQ(value.context()->ReferencesOf("b"), 0u);
}

TEST(BindingPropertyTest, AsBool) {
  struct Case {
    int line;
    BindingProperty value;
    bool expected;
  };
  const Case cases[] = {
      {__LINE__, BindingProperty(), false},
      {__LINE__, BindingProperty(true), true},
      {__LINE__, BindingProperty(int64_t{-1}), true},
      {__LINE__, BindingProperty(int64_t{0}), false},
      {__LINE__, BindingProperty(0.0), false},
      {__LINE__, BindingProperty(-0.0), false},
      {__LINE__, BindingProperty(0.1), true},
      {__LINE__, BindingProperty(std::nan("")), true},
      {__LINE__, BindingProperty("true"), true},
      {__LINE__, BindingProperty("1"), true},
      {__LINE__, BindingProperty("TRUE"), false},
      {__LINE__, BindingProperty(""), false},
      {__LINE__, BindingProperty(std::vector<uint8_t>{0}), true},
      {__LINE__, BindingProperty(BindingEnum{-2, &kColourType}), true},
      {__LINE__, Collection({BindingProperty()}), true},
      {__LINE__, Collection({}), false},
      {__LINE__, Structure({{"a", BindingProperty()}}), true},
      {__LINE__, Structure({}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.value.AsBool(), c.expected);
  }
}

TEST(BindingPropertyTest, AsSignedAndAsUnsigned) {
  struct Case {
    int line;
    BindingProperty value;
    int64_t asSigned;   // with fallback -7
    uint64_t asUnsigned;  // with fallback 7
  };
  const Case cases[] = {
      {__LINE__, BindingProperty(), -7, 7},
      {__LINE__, BindingProperty(true), 1, 1},
      {__LINE__, BindingProperty(int64_t{-2}), -2, 0xFFFFFFFFFFFFFFFEu},
      {__LINE__, BindingProperty(uint64_t{0xFFFFFFFFFFFFFFFFu}), -1, 0xFFFFFFFFFFFFFFFFu},
      {__LINE__, BindingProperty(-2.9), -2, 0xFFFFFFFFFFFFFFFEu},
      // At or above 2^63: 2^63 subtracted and the top bit set.
      {__LINE__, BindingProperty(9223372036854775808.0), std::numeric_limits<int64_t>::max(),
       0x8000000000000000u},
      {__LINE__, BindingProperty(1.5e19), std::numeric_limits<int64_t>::max(),
       15000000000000000000u},
      // Out of every range: saturated, NaN reads 0.
      {__LINE__, BindingProperty(1e30), std::numeric_limits<int64_t>::max(),
       std::numeric_limits<uint64_t>::max()},
      {__LINE__, BindingProperty(-1e30), std::numeric_limits<int64_t>::min(), 0x8000000000000000u},
      {__LINE__, BindingProperty(std::nan("")), 0, 0},
      {__LINE__, BindingProperty("0x1F"), 31, 31},
      {__LINE__, BindingProperty("017"), 15, 15},
      {__LINE__, BindingProperty("-12"), -12, static_cast<uint64_t>(-12)},
      {__LINE__, BindingProperty("  42abc"), 42, 42},
      {__LINE__, BindingProperty("abc"), 0, 0},
      {__LINE__, BindingProperty(BindingEnum{-3, &kColourType}), -3, 0xFFFFFFFFFFFFFFFDu},
      {__LINE__, BindingProperty(std::vector<uint8_t>{1}), -7, 7},
      {__LINE__, Collection({1}), -7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.value.AsSigned(-7), c.asSigned);
    EXPECT_EQ(c.value.AsUnsigned(7), c.asUnsigned);
  }
}

TEST(BindingPropertyTest, AsText) {
  struct Case {
    int line;
    BindingProperty value;
    std::string expected;
  };
  const Case cases[] = {
      {__LINE__, BindingProperty(), ""},
      {__LINE__, BindingProperty(true), "true"},
      {__LINE__, BindingProperty(int64_t{-9223372036854775807 - 1}), "-9223372036854775808"},
      {__LINE__, BindingProperty(uint64_t{18446744073709551615u}), "18446744073709551615"},
      {__LINE__, BindingProperty(1.5), "1.500000"},
      {__LINE__, BindingProperty("as is"), "as is"},
      {__LINE__, BindingProperty(std::vector<uint8_t>{'a', 'b', 'c', 'd'}), "YWJjZA=="},
      {__LINE__, BindingProperty(BindingEnum{-4, &kColourType}), "-4"},
      {__LINE__, Collection({1}), ""},
      {__LINE__, Structure({{"a", 1}}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.value.AsText(), c.expected);
  }
}

TEST(BindingPropertyTest, AsTextOfAHugeFloatIsComplete) {
  std::string text = BindingProperty(1e300).AsText();
  EXPECT_EQ(text.size(), 301u + 7u);
  EXPECT_EQ(text.substr(0, 3), "100");
  EXPECT_EQ(text.substr(text.size() - 7), ".000000");
}

TEST(BindingPropertyTest, SettingFromOwnPayloadIsSafe) {
  BindingProperty value("some text that is rather long, longer than any pool slot holds");
  value = value.GetStringOr({});
  EXPECT_EQ(value.GetStringOr({}),
            "some text that is rather long, longer than any pool slot holds");

  BindingProperty blob(std::vector<uint8_t>{1, 2, 3});
  blob.SetBlob(blob.GetBlobOr({}));
  EXPECT_EQ(blob.AsText(), "AQID");

  BindingProperty record;
  record.MutableField("name") = "x";
  std::string_view ownName = record.Fields()[0].name();
  record.MutableField("copy") = ownName;  // inserting moves the fields, not the names
  EXPECT_EQ(record.FieldOrEmpty("copy").GetStringOr({}), "name");
}

TEST(BindingPropertyTest, EqualityIsDeepAndKindExact) {
  const BindingProperty a = Structure({{"list", Collection({1})}, {"name", "x"}});
  BindingProperty b = Structure({{"name", "x"}, {"list", Collection({1})}});  // other order
  EXPECT_EQ(a, b);
  b.MutableField("list").Append() = 2;
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(BindingProperty(int64_t{1}) == BindingProperty(uint64_t{1}));
  EXPECT_FALSE(BindingProperty(std::nan("")) == BindingProperty(std::nan("")));
  EXPECT_EQ(BindingProperty(0.0), BindingProperty(-0.0));
  EXPECT_FALSE(Structure({{"nam", "x"}}) == Structure({{"name", "x"}}));
}

// Only a Structure whose "error" member is a text is a failure.
TEST(FailureTest, OtherValuesHaveNoMessage) {
  EXPECT_EQ(Failure::MessageOf(BindingProperty(int64_t{1})), "");
  BindingProperty wrongKind;
  wrongKind.MutableField("error") = 5;
  EXPECT_EQ(Failure::MessageOf(wrongKind), "");
}

std::vector<std::string> g_reports;

void RecordReport(const char* expression, const char*, const char*, int32_t, const char*) {
  g_reports.emplace_back(expression);
}

// The assertion identifiers raised while `read` runs.
std::vector<std::string> ReportsOf(const std::function<void()>& read) {
  g_reports.clear();
  SetAssertionReporter(&RecordReport);
  read();
  SetAssertionReporter(nullptr);
  return g_reports;
}

BindingProperty FailureWithStatus() {
  BindingProperty failure = Failure::Make("Gone");
  failure.MutableField("status") = 410;
  return failure;
}

// Nothing but a named constructor or factory makes a result, so `return {};` cannot pass
// for a success; reading the value of a failure is reported, and yields the default.
TEST(MaybeTypeTest, SuccessAndFailureAreExplicit) {
  using Port = MaybeType<Failure, int32_t>;
  static_assert(!std::is_default_constructible_v<Port> && !std::is_convertible_v<int32_t, Port>);
  const std::vector<std::string> reported{std::string(kAssertValueOfFailure)};
  struct Case {
    int line;
    std::function<Port()> make;
    bool ok;
    std::string message;
    std::size_t failureFields;
    int32_t value;
  };
  const Case cases[] = {
      {__LINE__, [] { return Port(7); }, true, "", 0, 7},
      {__LINE__, [] { return Port::Ok(); }, true, "", 0, 0},
      {__LINE__, [] { return Port::FromFailure("No port"); }, false, "No port", 1, 0},
      {__LINE__, [] { return Port::FromFailureValue(FailureWithStatus()); }, false, "Gone", 2, 0},
      {__LINE__,
       [] {
         Port port(7);
         port.SetFailure("Lost");
         return port;
       },
       false, "Lost", 1, 0},
      {__LINE__,
       [] {
         Port port = Port::FromFailure("Lost");
         port.SetValue(9);
         return port;
       },
       true, "", 0, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Port result = c.make();
    EXPECT_EQ(result.ok(), c.ok);
    EXPECT_EQ(static_cast<bool>(result), c.ok);
    EXPECT_EQ(result.message(), c.message);
    EXPECT_EQ(result.failure().size(), c.failureFields);
    int32_t value = -1;
    EXPECT_EQ(ReportsOf([&] { value = result.value(); }), c.ok ? std::vector<std::string>{} : reported);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(ReportsOf([&] { value = std::move(result).value(); }), c.ok ? std::vector<std::string>{} : reported);
  }
}

// The value and the failure share one slot: a failure's value() is its Failure structure.
TEST(MaybeTypeTest, BindingResultSharesOneSlot) {
  static_assert(!std::is_default_constructible_v<BindingResult> &&
                !std::is_convertible_v<BindingProperty, BindingResult>);
  BindingProperty record;
  record.MutableField("a") = 1;
  record.MutableField("b") = "two";
  const std::vector<std::string> reported{std::string(kAssertValueOfFailure)};
  struct Case {
    int line;
    std::function<BindingResult()> make;
    bool ok;
    std::string message;
    BindingProperty slot;
  };
  const Case cases[] = {
      {__LINE__, [&] { return BindingResult(record); }, true, "", record},
      {__LINE__, [] { return BindingResult::Ok(); }, true, "", BindingProperty()},
      {__LINE__, [] { return BindingResult::FromFailure("No port"); }, false, "No port", Failure::Make("No port")},
      {__LINE__, [] { return BindingResult::FromFailureValue(FailureWithStatus()); }, false, "Gone",
       FailureWithStatus()},
      // The slot is reset first: none of the record's fields stay beside "error".
      {__LINE__,
       [&] {
         BindingResult result(record);
         result.SetFailure("Lost");
         return result;
       },
       false, "Lost", Failure::Make("Lost")},
      {__LINE__,
       [&] {
         BindingResult result = BindingResult::FromFailure("Lost");
         result.SetValue(record);
         return result;
       },
       true, "", record},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    BindingResult result = c.make();
    EXPECT_EQ(result.ok(), c.ok);
    EXPECT_EQ(result.message(), c.message);
    if (!c.ok) {
      EXPECT_EQ(result.failure(), c.slot);
    }
    bool same = false;
    EXPECT_EQ(ReportsOf([&] { same = result.value() == c.slot; }), c.ok ? std::vector<std::string>{} : reported);
    EXPECT_TRUE(same);
    BindingProperty taken;
    EXPECT_EQ(ReportsOf([&] { taken = std::move(result).value(); }), c.ok ? std::vector<std::string>{} : reported);
    EXPECT_EQ(taken, c.slot);
  }
}

}  // namespace
}  // namespace Vela
