// Registered structures, enumerations and containers through ToBinding / FromBinding.
#include "binding/native_type.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/conversion_matchers.h"
#include "binding/native_type_builder.h"

namespace Vela::NativeTest {

enum class PhaseEnum : int32_t { None = 0, Running = 1 };

struct Inner {
  std::string text;
  int32_t count = 0;
};

struct Sample {
  std::string name;
  int64_t gamesRemaining = -1;
  PhaseEnum phase = PhaseEnum::None;
  uint32_t skipped = 0;  // left out of the output when 0
  bool flag = false;
  std::vector<Inner> inners;
  std::vector<uint64_t> ids;
  std::map<std::string, std::string> labels;
  std::optional<Inner> maybe;
  BindingProperty data;
  std::string unregisteredOnInput = "native";
};

// Registered before its fields' types: the walk must still report a clear failure.
struct Orphan {
  Inner inner;
  std::vector<Inner> inners;
};

struct Ordered {
  int32_t zeta = 0;
  int32_t alpha = 0;
};

}  // namespace Vela::NativeTest

VELA_STATIC_TYPE(Vela::NativeTest::PhaseEnum);
VELA_STATIC_TYPE(Vela::NativeTest::Inner);
VELA_STATIC_TYPE(Vela::NativeTest::Sample);
VELA_STATIC_TYPE(Vela::NativeTest::Orphan);
VELA_STATIC_TYPE(Vela::NativeTest::Ordered);

namespace Vela {
namespace {

using namespace NativeTest;

class NativeTypeTest : public ::testing::Test {
 protected:
  NativeTypeTest() {
    RegisterStruct<Orphan>(registry_, "Orphan")
        .Field("inner", &Orphan::inner)
        .Field("inners", &Orphan::inners);
    RegisterEnum<PhaseEnum>(registry_, "PhaseEnum")
        .Value("None", PhaseEnum::None)
        .Value("Running", PhaseEnum::Running);
    RegisterStruct<Inner>(registry_, "Inner")
        .Field("text", &Inner::text)
        .Field("count", &Inner::count);
    RegisterStruct<Sample>(registry_, "Sample")
        .RequiredField("name", &Sample::name)
        .Field("gamesRemaining", &Sample::gamesRemaining)
        .Field("phase", &Sample::phase)
        .FieldSkippedWhenDefault("skipped", &Sample::skipped)
        .Field("flag", &Sample::flag)
        .Field("inners", &Sample::inners)
        .Field("ids", &Sample::ids)
        .Field("labels", &Sample::labels)
        .Field("maybe", &Sample::maybe)
        .Field("data", &Sample::data);
    RegisterStruct<Ordered>(registry_, "Ordered")
        .Field("zeta", &Ordered::zeta)
        .Field("alpha", &Ordered::alpha);
  }

  static BindingProperty MinimalInput() {
    BindingProperty input;
    input.MutableField("name") = "Ashe";
    return input;
  }

  BindingRegistry registry_;
};

TEST_F(NativeTypeTest, MissingOptionalFieldsKeepTheNativeDefaults) {
  BindingProperty input = MinimalInput();
  input.MutableField("flag") = BindingProperty();  // Empty counts as missing
  input.MutableField("notRegistered") = "ignored";
  auto sample = FromBinding<Sample>(input, "body", registry_);
  ASSERT_TRUE(sample.ok()) << sample.message();
  EXPECT_EQ(sample.value().name, "Ashe");
  EXPECT_EQ(sample.value().gamesRemaining, -1);
  EXPECT_FALSE(sample.value().flag);
  EXPECT_FALSE(sample.value().maybe.has_value());
  EXPECT_EQ(sample.value().unregisteredOnInput, "native");
}

TEST_F(NativeTypeTest, ConvertsEveryFieldKind) {
  BindingProperty input = MinimalInput();
  input.MutableField("gamesRemaining") = "12";
  input.MutableField("phase") = "Running";
  input.MutableField("skipped") = 7;
  input.MutableField("flag") = "true";
  BindingProperty& inners = input.MutableField("inners");
  inners.Append().MutableField("text") = "first";
  inners.Append();  // Empty element: default native element
  inners.Append().MutableField("count") = 3;
  input.MutableField("ids").Append() = uint64_t{18446744073709551615u};
  input.MutableField("labels").MutableField("b") = "two";
  input.MutableField("labels").MutableField("a") = "one";
  input.MutableField("labels").MutableField("gone") = BindingProperty();
  input.MutableField("maybe").MutableField("text") = "here";
  input.MutableField("data").MutableField("any").Append() = 1.5;

  auto sample = FromBinding<Sample>(input, "body", registry_);
  ASSERT_TRUE(sample.ok()) << sample.message();
  const Sample& s = sample.value();
  EXPECT_EQ(s.gamesRemaining, 12);
  EXPECT_EQ(s.phase, PhaseEnum::Running);
  EXPECT_EQ(s.skipped, 7u);
  EXPECT_TRUE(s.flag);
  ASSERT_EQ(s.inners.size(), 3u);
  EXPECT_EQ(s.inners[0].text, "first");
  EXPECT_EQ(s.inners[1].text, "");
  EXPECT_EQ(s.inners[2].count, 3);
  EXPECT_EQ(s.ids, (std::vector<uint64_t>{18446744073709551615u}));
  EXPECT_EQ(s.labels, (std::map<std::string, std::string>{{"a", "one"}, {"b", "two"}}));
  ASSERT_TRUE(s.maybe.has_value());
  EXPECT_EQ(s.maybe->text, "here");
  EXPECT_EQ(s.data, input.FieldOrEmpty("data"));
}

TEST_F(NativeTypeTest, StructureFailuresNameTheirPlace) {
  struct Case {
    int line;
    BindingProperty input;
    const char* message;
  };
  auto with = [](std::string_view field, BindingProperty value) {
    BindingProperty input = MinimalInput();
    input.MutableField(field) = value;
    return input;
  };
  BindingProperty wrongInner = MinimalInput();
  wrongInner.MutableField("inners").Append().MutableField("count") = "many";
  BindingProperty wrongMaybe = MinimalInput();
  wrongMaybe.MutableField("maybe").MutableField("text") = 5;
  BindingProperty wrongLabel = MinimalInput();
  wrongLabel.MutableField("labels").MutableField("k") = true;
  BindingProperty wrongId = MinimalInput();
  wrongId.MutableField("ids").Append() = 1;
  wrongId.MutableField("ids").Append() = "x";
  BindingProperty noName;
  noName.MutableField("flag") = true;

  const Case cases[] = {
      {__LINE__, BindingProperty(), "A value for 'body' is required."},
      {__LINE__, BindingProperty("text"),
       "Couldn't assign value to 'body' of type Sample because the input not a structure."},
      {__LINE__, noName,
       "Couldn't assign value to 'body' of type Sample because the input structure doesn't have "
       "required field 'name'."},
      // The path of a field is its name alone, at any depth.
      {__LINE__, with("gamesRemaining", "12abc"),
       "Value 12abc for 'gamesRemaining' of type int64 is in an incorrect format"},
      {__LINE__, with("phase", "running"),
       "running is not a valid PhaseEnum enumeration value for 'phase'."},
      {__LINE__, wrongInner, "Value many for 'count' of type int32 is in an incorrect format"},
      {__LINE__, wrongMaybe, "Couldn't assign value to 'text' because the input is not a string."},
      {__LINE__, with("inners", MinimalInput()),
       "Couldn't assign value to 'inners' of type vector because the input not a collection."},
      {__LINE__, with("ids", BindingProperty().MakeCollection()), nullptr},
      {__LINE__, with("labels", BindingProperty().MakeCollection()),
       "Couldn't assign value to 'labels' of type map because the input not a structure."},
      // Elements are converted with the container's own path.
      {__LINE__, wrongLabel, "Couldn't assign value to 'labels' because the input is not a string."},
      {__LINE__, wrongId, "Value x for 'ids' of type uint64 is in an incorrect format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto sample = FromBinding<Sample>(c.input, "body", registry_);
    if (c.message == nullptr) {
      EXPECT_TRUE(sample.ok()) << sample.message();
    } else {
      EXPECT_THAT(sample, FailsWith(std::string(c.message)));
    }
  }
}

TEST_F(NativeTypeTest, FirstFailureInRegistrationOrderWins) {
  BindingProperty input;
  input.MutableField("alpha") = "bad alpha";  // sorts first among the input's fields
  input.MutableField("zeta") = "bad zeta";    // but is registered first
  EXPECT_THAT(FromBinding<Ordered>(input, "o", registry_),
              FailsWith(std::string("Value bad zeta for 'zeta' of type int32 is in an incorrect format")));

  // Across separate conversions under one status, the first failure stays.
  BindingResult status = BindingResult::Ok();
  int32_t first = 5;
  uint64_t second = 5;
  FromBindingInto(status, first, BindingProperty("one"), "first", registry_);
  FromBindingInto(status, second, BindingProperty(uint64_t{9}), "second", registry_);
  EXPECT_THAT(status, FailsWith(std::string("Value one for 'first' of type int32 is in an incorrect format")));
  EXPECT_EQ(first, 5);
  EXPECT_EQ(second, 5u);  // not converted after the failure
}

TEST_F(NativeTypeTest, VectorIsClearedEvenWhenTheInputIsNoCollection) {
  BindingResult status = BindingResult::Ok();
  std::vector<uint64_t> ids = {1, 2, 3};
  FromBindingInto(status, ids, BindingProperty("not a list"), "ids", registry_);
  EXPECT_FALSE(status.ok());
  EXPECT_TRUE(ids.empty());
}

TEST_F(NativeTypeTest, UnregisteredStructuresFailInBothDirections) {
  Orphan orphan;
  orphan.inners.resize(1);
  // Orphan was registered before Inner, so its fields know no TypeInfo.
  BindingProperty input;
  input.MutableField("inner").MutableField("text") = "x";
  EXPECT_THAT(FromBinding<Orphan>(input, "orphan", registry_),
              FailsWith(std::string("Couldn't assign value to 'inner' because the input is an "
                                    "unregistered structure or not a structure at all.")));
  EXPECT_THAT(ToBinding(orphan, registry_),
              FailsWith(std::string("Couldn't convert native value because it's an unregistered structure.")));

  BindingRegistry empty;
  EXPECT_THAT(FromBinding<Inner>(input, "inner", empty),
              FailsWith(std::string("Couldn't assign value to 'inner' because the input is an "
                                    "unregistered structure or not a structure at all.")));
  EXPECT_THAT(ToBinding(std::vector<Inner>(2), empty),
              FailsWith(std::string("Couldn't convert native value because it's an unregistered structure.")));
  EXPECT_THAT(ToBinding(std::vector<Inner>(), empty), HoldsValue(BindingProperty().MakeCollection()));
}

TEST_F(NativeTypeTest, TopLevelNativesConvertDirectly) {
  EXPECT_THAT(FromBinding<bool>(BindingProperty("1"), "b", registry_), HoldsValue(true));
  EXPECT_THAT(FromBinding<uint32_t>(BindingProperty("4294967296"), "n", registry_),
              FailsWith(std::string("Value 4294967296 for 'n' of type uint32 is out of range")));
  EXPECT_THAT(FromBinding<PhaseEnum>(BindingProperty(int64_t{1}), "p", registry_),
              HoldsValue(PhaseEnum::Running));
  EXPECT_THAT(FromBinding<std::string>(BindingProperty(BindingEnum{1, &TypeIdentityOf<PhaseEnum>()}),
                                       "s", registry_),
              HoldsValue(std::string("Running")));
  EXPECT_THAT(FromBinding<std::optional<int32_t>>(BindingProperty(), "o", registry_),
              HoldsValue(std::optional<int32_t>{}));
  EXPECT_THAT(FromBinding<std::vector<bool>>(
                  BindingProperty().MakeCollection().Append() = true, "v", registry_),
              FailsWith(std::string("Couldn't assign value to 'v' of type vector because the input "
                                    "not a collection.")));

  BindingProperty flags;
  flags.Append() = true;
  flags.Append();
  flags.Append() = "true";
  EXPECT_THAT(FromBinding<std::vector<bool>>(flags, "v", registry_),
              HoldsValue(std::vector<bool>{true, false, true}));

  EXPECT_THAT(ToBinding(uint32_t{7}, registry_), HoldsValue(BindingProperty(uint64_t{7})));
  EXPECT_THAT(ToBinding(std::vector<uint8_t>{1, 2}, registry_),
              HoldsValue(BindingProperty(std::vector<uint8_t>{1, 2})));
}

}  // namespace
}  // namespace Vela
