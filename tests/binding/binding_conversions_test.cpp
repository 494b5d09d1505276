// The scalar conversions from BindingProperty with their exact messages, the status rule
// and the default-value test used on output.
#include "binding/binding_conversions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "binding/binding_registry.h"
#include "binding/conversion_matchers.h"
#include "binding/property_builders.h"
#include "binding/type_identity.h"

namespace Vela {
namespace {

constexpr TypeIdentity kPhaseIdentity{0x0000A001u, "#0000A001"};
constexpr TypeIdentity kOtherEnumIdentity{0x0000A002u, "#0000A002"};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs a conversion under a fresh status and reports value or failure as one result.
template <typename ConvertFn>
auto Convert(ConvertFn convert) {
  BindingResult status = BindingResult::Ok();
  auto value = convert(status);
  using Value = decltype(value);
  if (!status.ok()) return MaybeType<Failure, Value>::FromFailure(status.message());
  return MaybeType<Failure, Value>(value);
}

// Rows: a null message means the conversion succeeds with `value`.
template <typename T>
struct Row {
  int line;
  BindingProperty input;
  T value;
  const char* message;
};

template <typename T, typename RowConversion>
void CheckRows(const std::vector<Row<T>>& rows, RowConversion convert) {
  for (const Row<T>& row : rows) {
    SCOPED_TRACE(row.line);
    auto result = Convert([&](BindingResult& status) { return convert(status, row.input); });
    if (row.message == nullptr) {
      EXPECT_THAT(result, HoldsValue(row.value));
    } else {
      EXPECT_THAT(result, FailsWith(std::string(row.message)));
    }
  }
}

TEST(BoolFromBindingTest, AcceptsBoolAndFourTextsOnly) {
  CheckRows<bool>(
      {
          {__LINE__, BindingProperty(true), true, nullptr},
          {__LINE__, BindingProperty("true"), true, nullptr},
          {__LINE__, BindingProperty("1"), true, nullptr},
          {__LINE__, BindingProperty("0"), false, nullptr},
          {__LINE__, BindingProperty(), false, "A value for 'flag' is required."},
          {__LINE__, BindingProperty("yes"), false,
           "Value yes for 'flag' of type bool is in an incorrect format. Options are \"true\", "
           "\"false\", \"1\", \"0\"."},
          // Case-sensitive.
          {__LINE__, BindingProperty("TRUE"), false,
           "Value TRUE for 'flag' of type bool is in an incorrect format. Options are \"true\", "
           "\"false\", \"1\", \"0\"."},
          {__LINE__, BindingProperty(int64_t{1}), false,
           "Couldn't assign value to 'flag' of type bool because the input is of an invalid type "
           "signed."},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return BoolFromBinding(status, input, "flag");
      });
}

TEST(SignedFromBindingTest, Int32) {
  CheckRows<int64_t>(
      {
          {__LINE__, BindingProperty(int64_t{-2147483648}), -2147483648, nullptr},
          {__LINE__, BindingProperty(int64_t{2147483647}), 2147483647, nullptr},
          {__LINE__, BindingProperty(int64_t{2147483648}), 0,
           "Value 2147483648 for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty(int64_t{-2147483649}), 0,
           "Value -2147483649 for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty(uint64_t{2147483648}), 0,
           "Value 2147483648 for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty(-3.9), -3, nullptr},  // toward zero
          {__LINE__, BindingProperty(2147483648.0), 0,
           "Value 2.14748e+09 for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty(kNaN), 0, "Value nan for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty("017"), 15, nullptr},  // octal
          {__LINE__, BindingProperty("12abc"), 0,
           "Value 12abc for 'n' of type int32 is in an incorrect format"},
          // No number at all is not 0.
          {__LINE__, BindingProperty(""), 0, "Value  for 'n' of type int32 is in an incorrect format"},
          {__LINE__, BindingProperty("2147483648"), 0,
           "Value 2147483648 for 'n' of type int32 is out of range"},
          {__LINE__, BindingProperty(BindingEnum{7, &kPhaseIdentity}), 7, nullptr},
          {__LINE__, BindingProperty(true), 0,
           "Couldn't assign value to 'n' of type int32 because the input is of an invalid type "
           "bool."},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return SignedFromBinding(status, input, "n", kInt32Bounds);
      });
}

TEST(SignedFromBindingTest, Int64EdgesNeverOverflow) {
  CheckRows<int64_t>(
      {
          {__LINE__, BindingProperty(INT64_MIN), INT64_MIN, nullptr},
          {__LINE__, BindingProperty(uint64_t{9223372036854775807u}), INT64_MAX, nullptr},
          {__LINE__, BindingProperty(uint64_t{9223372036854775808u}), 0,
           "Value 9223372036854775808 for 'n' of type int64 is out of range"},
          // 2^63 compares equal to INT64_MAX as a double but does not fit.
          {__LINE__, BindingProperty(9223372036854775808.0), 0,
           "Value 9.22337e+18 for 'n' of type int64 is out of range"},
          {__LINE__, BindingProperty(-9223372036854775808.0), INT64_MIN, nullptr},
          {__LINE__, BindingProperty("-9223372036854775808"), INT64_MIN, nullptr},
          {__LINE__, BindingProperty("9223372036854775808"), 0,
           "Value 9223372036854775808 for 'n' of type int64 is out of range"},
          {__LINE__, BindingProperty("0x7FFFFFFFFFFFFFFF"), INT64_MAX, nullptr},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return SignedFromBinding(status, input, "n", kInt64Bounds);
      });
}

TEST(UnsignedFromBindingTest, UInt32) {
  CheckRows<uint64_t>(
      {
          {__LINE__, BindingProperty(uint64_t{4294967295u}), 4294967295u, nullptr},
          {__LINE__, BindingProperty(uint64_t{4294967296u}), 0,
           "Value 4294967296 for 'n' of type uint32 is out of range"},
          {__LINE__, BindingProperty(int64_t{-1}), 0, "Value -1 for 'n' of type uint32 is out of range"},
          {__LINE__, BindingProperty(2.5), 2, nullptr},
          {__LINE__, BindingProperty("0x10"), 16, nullptr},
          {__LINE__, BindingProperty("-0"), 0, "Value -0 for 'n' of type uint32 is out of range"},
          {__LINE__, BindingProperty("4294967296"), 0,
           "Value 4294967296 for 'n' of type uint32 is out of range"},
          {__LINE__, BindingProperty("1e3"), 0,
           "Value 1e3 for 'n' of type uint32 is in an incorrect format"},
          {__LINE__, BindingProperty(BindingEnum{-1, &kPhaseIdentity}), 0,
           "Value -1 for 'n' of type uint32 is out of range"},
          {__LINE__, BindingProperty(), 0, "A value for 'n' is required."},
          {__LINE__, Collection({1}), 0,
           "Couldn't assign value to 'n' of type uint32 because the input is of an invalid type "
           "collection."},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return UnsignedFromBinding(status, input, "n", kUInt32Bounds);
      });
}

TEST(UnsignedFromBindingTest, UInt64EdgesNeverWrap) {
  CheckRows<uint64_t>(
      {
          {__LINE__, BindingProperty(UINT64_MAX), UINT64_MAX, nullptr},
          {__LINE__, BindingProperty(-0.5), 0, "Value -0.5 for 'n' of type uint64 is out of range"},
          {__LINE__, BindingProperty(18446744073709551616.0), 0,
           "Value 1.84467e+19 for 'n' of type uint64 is out of range"},
          {__LINE__, BindingProperty("18446744073709551615"), UINT64_MAX, nullptr},
          {__LINE__, BindingProperty("18446744073709551616"), 0,
           "Value 18446744073709551616 for 'n' of type uint64 is out of range"},
          // strtoull would read both as the largest value.
          {__LINE__, BindingProperty("-1"), 0, "Value -1 for 'n' of type uint64 is out of range"},
          {__LINE__, BindingProperty(" -1"), 0, "Value  -1 for 'n' of type uint64 is out of range"},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return UnsignedFromBinding(status, input, "n", kUInt64Bounds);
      });
}

TEST(FloatFromBindingTest, DoubleAndFloatBounds) {
  CheckRows<double>(
      {
          {__LINE__, BindingProperty(int64_t{-5}), -5.0, nullptr},
          {__LINE__, BindingProperty(UINT64_MAX), 18446744073709551616.0, nullptr},
          {__LINE__, BindingProperty("1.5"), 1.5, nullptr},
          {__LINE__, BindingProperty("1e-400"), 0.0, nullptr},  // underflow is not out of range
          {__LINE__, BindingProperty("1e999"), 0, "Value 1e999 for 'x' of type double is out of range"},
          {__LINE__, BindingProperty("1.5x"), 0,
           "Value 1.5x for 'x' of type double is in an incorrect format"},
          {__LINE__, BindingProperty(BindingEnum{2, &kPhaseIdentity}), 2.0, nullptr},
          {__LINE__, BindingProperty(), 0, "A value for 'x' is required."},
          {__LINE__, BindingProperty(false), 0,
           "Couldn't assign value to 'x' of type double because the input is of an invalid type "
           "bool."},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return FloatFromBinding(status, input, "x", kDoubleBounds);
      });

  BindingResult status = BindingResult::Ok();
  EXPECT_TRUE(std::isnan(FloatFromBinding(status, BindingProperty(kNaN), "x", kDoubleBounds)));
  EXPECT_TRUE(status.ok());  // a NaN lies not outside the bounds
  EXPECT_THAT(Convert([](BindingResult& s) {
                return FloatFromBinding(s, BindingProperty(1e39), "x", kFloatBounds);
              }),
              FailsWith(std::string("Value 1e+39 for 'x' of type float is out of range")));
}

class EnumFromBindingTest : public ::testing::Test {
 protected:
  EnumFromBindingTest() {
    phase_ = registry_.RegisterType("PhaseEnum", 4, kPhaseIdentity, true)
                 .AddValue("None", 0)
                 .AddValue("Running", 1)
                 .AddValue("Broken", -3)
                 .info();
  }
  BindingRegistry registry_;
  const TypeInfo* phase_ = nullptr;
};

TEST_F(EnumFromBindingTest, NamesAndNumbersOfTheEnumeration) {
  CheckRows<int32_t>(
      {
          {__LINE__, BindingProperty("Running"), 1, nullptr},
          {__LINE__, BindingProperty("0x1"), 1, nullptr},
          {__LINE__, BindingProperty(int64_t{-3}), -3, nullptr},
          {__LINE__, BindingProperty(BindingEnum{1, &kOtherEnumIdentity}), 1, nullptr},
          {__LINE__, BindingProperty("running"), 0,
           "running is not a valid PhaseEnum enumeration value for 'phase'."},
          // The number's own message is replaced.
          {__LINE__, BindingProperty("1x"), 0,
           "1x is not a valid PhaseEnum enumeration value for 'phase'."},
          {__LINE__, BindingProperty(int64_t{7}), 0,
           "7 is not a valid PhaseEnum enumeration value for 'phase'."},
          // Not taken modulo 2^32: 2^32 + 1 is not Running.
          {__LINE__, BindingProperty(int64_t{4294967297}), 0,
           "4294967297 is not a valid PhaseEnum enumeration value for 'phase'."},
          {__LINE__, BindingProperty(BindingEnum{2, &kPhaseIdentity}), 0,
           "2 is not a valid PhaseEnum enumeration value for 'phase'."},
          {__LINE__, BindingProperty(), 0, "A value for 'phase' is required."},
          {__LINE__, BindingProperty(true), 0,
           "Couldn't assign value to 'phase' of enum type because the input is of an invalid type "
           "bool."},
      },
      [this](BindingResult& status, const BindingProperty& input) {
        return EnumFromBinding(status, input, "phase", phase_);
      });
}

TEST_F(EnumFromBindingTest, UnregisteredEnumerationHasNoValues) {
  EXPECT_THAT(Convert([](BindingResult& s) {
                return EnumFromBinding(s, BindingProperty("None"), "phase", nullptr);
              }),
              FailsWith(std::string("None is not a valid enum enumeration value for 'phase'.")));
}

TEST_F(EnumFromBindingTest, TextFromBindingSpellsEnumValuesByName) {
  CheckRows<std::string>(
      {
          {__LINE__, BindingProperty("plain"), "plain", nullptr},
          {__LINE__, BindingProperty(BindingEnum{1, &kPhaseIdentity}), "Running", nullptr},
          {__LINE__, BindingProperty(BindingEnum{9, &kPhaseIdentity}), "",
           "9 is not a valid enumeration value for 's'."},
          {__LINE__, BindingProperty(), "", "A value for 's' is required."},
          {__LINE__, BindingProperty(int64_t{5}), "",
           "Couldn't assign value to 's' because the input is not a string."},
      },
      [this](BindingResult& status, const BindingProperty& input) {
        return TextFromBinding(status, input, "s", registry_);
      });
}

TEST(BlobFromBindingTest, OnlyBlobsConvert) {
  CheckRows<std::vector<uint8_t>>(
      {
          {__LINE__, Blob({1, 2, 3}), {1, 2, 3}, nullptr},
          {__LINE__, BindingProperty("AQID"), {},
           "Couldn't assign value to 'b' of type blob because the input is of an invalid type "
           "string."},
          {__LINE__, BindingProperty(), {}, "A value for 'b' is required."},
      },
      [](BindingResult& status, const BindingProperty& input) {
        return BlobFromBinding(status, input, "b");
      });
}

TEST(ConversionStatusTest, AFailedStatusMakesEveryConversionDoNothing) {
  BindingRegistry registry;
  const TypeInfo* phase =
      registry.RegisterType("PhaseEnum", 4, kPhaseIdentity, true).AddValue("Running", 1).info();
  BindingResult status = BindingResult::FromFailure("first");

  EXPECT_FALSE(BoolFromBinding(status, BindingProperty(true), "a"));
  EXPECT_EQ(SignedFromBinding(status, BindingProperty(int64_t{5}), "a", kInt32Bounds), 0);
  EXPECT_EQ(UnsignedFromBinding(status, BindingProperty(uint64_t{5}), "a", kUInt64Bounds), 0u);
  EXPECT_EQ(FloatFromBinding(status, BindingProperty(5.0), "a", kDoubleBounds), 0.0);
  EXPECT_EQ(EnumFromBinding(status, BindingProperty("Running"), "a", phase), 0);
  EXPECT_EQ(TextFromBinding(status, BindingProperty("x"), "a", registry), "");
  EXPECT_TRUE(BlobFromBinding(status, Blob({1}), "a").empty());
  BindingProperty target = "kept";
  ObjectFromBinding(status, target, BindingProperty(1));
  EXPECT_EQ(target.GetStringOr(""), "kept");
  EXPECT_FALSE(CheckVectorInput(status, Collection({}), "a"));
  EXPECT_FALSE(CheckMapInput(status, BindingProperty(true), "a"));
  StructFromBinding(status, nullptr, BindingProperty(), "a", nullptr, registry);

  EXPECT_THAT(status, FailsWith(std::string("first")));
}

TEST(IsDefaultBindingValueTest, ZeroFalseAndEmptyAreDefault) {
  const struct {
    int line;
    BindingProperty value;
    bool isDefault;
  } rows[] = {
      {__LINE__, BindingProperty(), true},
      {__LINE__, BindingProperty(false), true},
      {__LINE__, BindingProperty(int64_t{0}), true},
      {__LINE__, BindingProperty(int64_t{-1}), false},
      {__LINE__, BindingProperty(0.0), true},
      {__LINE__, BindingProperty(-0.0), true},
      {__LINE__, BindingProperty(kNaN), false},
      {__LINE__, BindingProperty(""), true},
      {__LINE__, Blob({}), true},
      {__LINE__, Collection({}), true},
      {__LINE__, Collection({BindingProperty()}), false},
      {__LINE__, BindingProperty().MakeStructure(), true},
      {__LINE__, Structure({{"a", BindingProperty()}}), false},
      {__LINE__, BindingProperty(BindingEnum{0, &kPhaseIdentity}), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(IsDefaultBindingValue(row.value), row.isDefault);
  }
}

}  // namespace
}  // namespace Vela
