// The registry's indexes and builders, type identities and StaticType names.
#include "binding/binding_registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/native_type_builder.h"
#include "binding/static_type.h"
#include "binding/type_identity_of.h"

namespace Vela::RegistryTest {
struct Widget {
  int32_t size = 0;
};
struct Gadget {
  std::string label;
};
enum class Shade : int32_t { Light = 0, Dark = 1 };
struct Published {};
struct Holder {
  Shade shade{};
  std::vector<Gadget> gadgets;
  std::map<std::string, std::string> labels;
  std::optional<Gadget> maybe;
  BindingProperty data;
  std::vector<uint8_t> bytes;
  uint64_t count = 0;
  Widget unregistered;
};
}  // namespace Vela::RegistryTest

VELA_STATIC_TYPE(Vela::RegistryTest::Widget);
VELA_STATIC_TYPE(Vela::RegistryTest::Gadget);
VELA_STATIC_TYPE(Vela::RegistryTest::Shade);
VELA_STATIC_TYPE_WITH_ID(Vela::RegistryTest::Published, 0xF4E3B901);
VELA_STATIC_TYPE(Vela::RegistryTest::Holder);

namespace Vela {
namespace {

using RegistryTest::Gadget;
using RegistryTest::Holder;
using RegistryTest::Published;
using RegistryTest::Shade;
using RegistryTest::Widget;

TEST(StaticTypeTest, NamesTypesInFullWithTheirNamespaces) {
  EXPECT_EQ(StaticTypeName<Widget>(), "Vela::RegistryTest::Widget");
  EXPECT_EQ(StaticTypeName<const Widget>(), "Vela::RegistryTest::Widget");
  EXPECT_EQ(StaticTypeName<std::vector<Widget>>(), "std::vector<Vela::RegistryTest::Widget>");
  EXPECT_EQ((StaticTypeName<std::map<std::string, std::vector<Shade>>>()),
            "std::map<std::string, std::vector<Vela::RegistryTest::Shade>>");
  EXPECT_EQ(StaticTypeName<int64_t>(), "int64_t");
  EXPECT_EQ(StaticTypeName<long long>(), "int64_t");
  // The joined names are NUL-terminated texts, usable where a C string is needed.
  EXPECT_EQ(StaticTypeName<std::vector<Widget>>().data()[StaticTypeName<std::vector<Widget>>().size()],
            '\0');
}

// The identifier is the hash of the name unless one is declared; one record per type.
TEST(TypeIdentityTest, IdentifierIsStableAcrossBuildsAndTheRecordUnique) {
  // Literal values: a change of the scheme would change every registry key.
  EXPECT_EQ(TypeIdentityOf<Widget>().id, 0xF18C7378u);
  EXPECT_STREQ(TypeIdentityOf<Widget>().name, "#F18C7378");
  EXPECT_EQ(TypeIdentityOf<Published>().id, 0xF4E3B901u);
  EXPECT_STREQ(TypeIdentityOf<Published>().name, "#F4E3B901");
  EXPECT_EQ(&TypeIdentityOf<Widget>(), &TypeIdentityOf<const Widget>());
  EXPECT_NE(TypeIdentityOf<Widget>().id, TypeIdentityOf<Gadget>().id);
  EXPECT_NE(TypeIdentityOf<std::vector<Widget>>().id, TypeIdentityOf<Widget>().id);
}

TEST(TypeCodeTest, ClassifiesEveryCodeAndTakesOthersAsUndescribed) {
  // One letter per code from 0 to 20: Undescribed, Plain, Sequence, Dictionary, Registered.
  constexpr std::string_view kExpected = "UPPPPPPPPPPPPPPSRRPDU";
  constexpr std::string_view kLetters = "UPSDR";
  for (uint32_t code = 0; code < kExpected.size(); ++code) {
    SCOPED_TRACE(code);
    EXPECT_EQ(kLetters[static_cast<std::size_t>(ClassifyTypeCode(static_cast<TypeCode>(code)))], kExpected[code]);
  }
  EXPECT_EQ(ClassifyTypeCode(static_cast<TypeCode>(0xFFFFFFFFu)), TypeCodeClass::Undescribed);
}

TEST(BindingRegistryTest, RegisteredTypeIsFoundByIdentifierAndName) {
  BindingRegistry registry;
  TypeBuilder builder = registry.RegisterType("Widget", 4, TypeIdentityOf<Widget>(), false);
  ASSERT_EQ(builder.outcome(), TypeBuilder::Outcome::Created);
  builder.SetDescription("A widget.").SetNameSpace("rclient").AddTag("$builtin").AddTag("").AddTag(
      "help");

  const TypeInfo* info = registry.FindType(TypeIdentityOf<Widget>());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info, registry.FindType(0xF18C7378u));
  EXPECT_EQ(info, registry.FindTypeByName("Widget"));
  EXPECT_EQ(info->description, "A widget.");
  EXPECT_EQ(info->nameSpace, "rclient");
  EXPECT_EQ(info->tags, (std::vector<std::string>{"$builtin", "help"}));  // empty tag ignored
  EXPECT_EQ(registry.IdentifierOf("Widget"), 0xF18C7378u);

  EXPECT_EQ(registry.FindType(TypeIdentityOf<Gadget>()), nullptr);
  EXPECT_EQ(registry.FindTypeByName("widget"), nullptr);
  EXPECT_EQ(registry.IdentifierOf("Gadget"), std::nullopt);
}

TEST(BindingRegistryTest, RegisteringANameAgainKeepsTheFirstAndIgnoresTheBuilder) {
  BindingRegistry registry;
  RegisterStruct<Widget>(registry, "Widget").Field("size", &Widget::size).Description("first");

  // Same name, other native type: the second registration is inert in every operation.
  StructBuilder<Gadget> again = RegisterStruct<Gadget>(registry, "Widget");
  EXPECT_EQ(again.builder().outcome(), TypeBuilder::Outcome::AlreadyRegistered);
  again.Field("label", &Gadget::label).Description("second").Tag("late").NameSpace("x");
  TypeBuilder raw = registry.RegisterType("Widget", 99, TypeIdentityOf<Gadget>(), true);
  EXPECT_TRUE(raw.alreadyRegistered());
  raw.AddValue("Extra", 1);

  const TypeInfo* info = registry.FindTypeByName("Widget");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(again.info(), info);
  EXPECT_EQ(info->size, sizeof(Widget));
  EXPECT_EQ(info->identifier, TypeIdentityOf<Widget>().id);
  ASSERT_EQ(info->fields.size(), 1u);
  EXPECT_EQ(info->fields[0].name, "size");
  EXPECT_EQ(info->description, "first");
  EXPECT_EQ(registry.FindType(TypeIdentityOf<Gadget>()), nullptr);
  EXPECT_EQ(registry.Types().size(), 1u);
}

TEST(BindingRegistryTest, SecondTypeWithATakenIdentifierIsRefused) {
  BindingRegistry registry;
  (void)registry.RegisterType("Widget", 4, TypeIdentityOf<Widget>(), false);
  TypeBuilder clash = registry.RegisterType("Other", 8, TypeIdentityOf<Widget>(), false);
  EXPECT_EQ(clash.outcome(), TypeBuilder::Outcome::IdentifierTaken);
  EXPECT_EQ(clash.info(), nullptr);
  clash.SetDescription("ignored").AddValue("A", 1);  // inert, and does not crash
  EXPECT_EQ(registry.FindTypeByName("Other"), nullptr);
  EXPECT_EQ(registry.FindType(TypeIdentityOf<Widget>())->name, "Widget");
}

TEST(BindingRegistryTest, FieldRecordsCarryWhatTheMemberTypeImplies) {
  struct Row {
    int line;
    const char* field;
    TypeDescriptor type;
    uint32_t flags;
    bool optional;
  };
  BindingRegistry registry;
  RegisterEnum<Shade>(registry, "Shade").Value("Light", Shade::Light);
  RegisterStruct<Gadget>(registry, "Gadget").Field("label", &Gadget::label);
  const TypeInfo* shade = registry.FindTypeByName("Shade");
  const TypeInfo* gadget = registry.FindTypeByName("Gadget");

  const TypeInfo* info = RegisterStruct<Holder>(registry, "Holder")
                             .Field("shade", &Holder::shade)
                             .Field("gadgets", &Holder::gadgets)
                             .FieldSkippedWhenDefault("labels", &Holder::labels)
                             .Field("maybe", &Holder::maybe)
                             .Field("data", &Holder::data)
                             .Field("bytes", &Holder::bytes)
                             .RequiredField("count", &Holder::count)
                             .Field("unregistered", &Holder::unregistered)
                             .info();

  const Row rows[] = {
      {__LINE__, "shade", {TypeCode::Enum, TypeCode::None, shade}, 0, false},
      {__LINE__, "gadgets", {TypeCode::Vector, TypeCode::Struct, gadget}, 0, false},
      {__LINE__, "labels", {TypeCode::Map, TypeCode::String, nullptr}, 1, false},
      {__LINE__, "maybe", {TypeCode::Struct, TypeCode::None, gadget}, 0, true},
      {__LINE__, "data", {TypeCode::Object, TypeCode::None, nullptr}, 0, false},
      {__LINE__, "bytes", {TypeCode::Blob, TypeCode::None, nullptr}, 0, false},
      {__LINE__, "count", {TypeCode::UInt64, TypeCode::None, nullptr}, 2, false},
      {__LINE__, "unregistered", {TypeCode::Struct, TypeCode::None, nullptr}, 0, false},
  };
  ASSERT_EQ(info->fields.size(), std::size(rows));
  Holder probe;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.line);
    const FieldRecord& field = info->fields[i];
    EXPECT_EQ(field.name, row.field);
    EXPECT_EQ(field.nameHash, Fnv1a32(row.field));
    EXPECT_EQ(field.type, row.type);
    EXPECT_EQ(field.flags, row.flags);
    EXPECT_EQ(field.optional, row.optional);
  }
  // Offsets point at the members of a real object.
  const auto* base = reinterpret_cast<const unsigned char*>(&probe);
  EXPECT_EQ(base + info->fields[1].offset, reinterpret_cast<const unsigned char*>(&probe.gadgets));
  EXPECT_EQ(base + info->fields[6].offset, reinterpret_cast<const unsigned char*>(&probe.count));
}

TEST(BindingRegistryTest, EnumerationValuesAreOrderedByNameAndReplacedByName) {
  BindingRegistry registry;
  TypeBuilder builder = registry.RegisterType("Letters", 4, TypeIdentityOf<Shade>(), true);
  builder.AddValue("b", 1).AddValue("B", 2).AddValue("ab", 3).AddValue("a", 4, "first try");
  builder.AddValue("a", 5, "second try");
  const TypeInfo* info = builder.info();
  std::vector<std::string> names;
  for (const auto& [name, record] : info->values) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"B", "a", "ab", "b"}));
  EXPECT_EQ(info->values.at("a").value, 5);
  EXPECT_EQ(info->values.at("a").description, "second try");
  EXPECT_FALSE(registry.IsEnumValue(4, TypeIdentityOf<Shade>()));  // the replaced value
  EXPECT_TRUE(registry.IsEnumValue(5, TypeIdentityOf<Shade>()));
}

TEST(BindingRegistryTest, EnumValueNamesAndMembership) {
  BindingRegistry registry;
  RegisterEnum<Shade>(registry, "Shade").Value("Light", Shade::Light).Value("Dark", Shade::Dark);
  RegisterStruct<Gadget>(registry, "Gadget");
  const EnumNameLookup& lookup = registry;  // what the host value form and JSON writer see
  EXPECT_EQ(lookup.NameOfEnumValue(1, &TypeIdentityOf<Shade>()), "Dark");
  EXPECT_EQ(lookup.NameOfEnumValue(2, &TypeIdentityOf<Shade>()), std::nullopt);
  EXPECT_EQ(lookup.NameOfEnumValue(0, &TypeIdentityOf<Gadget>()), std::nullopt);
  EXPECT_EQ(lookup.NameOfEnumValue(0, nullptr), std::nullopt);
  EXPECT_TRUE(registry.IsEnumValue(1, TypeIdentityOf<Shade>()));
  EXPECT_FALSE(registry.IsEnumValue(-1, TypeIdentityOf<Shade>()));
  EXPECT_FALSE(registry.IsEnumValue(0, TypeIdentityOf<Widget>()));
}

TEST(BindingRegistryTest, ManyIdentifiersStayDistinctInTheIndex) {
  // Identifiers that differ in one bit each, in every bit position.
  BindingRegistry registry;
  static TypeIdentity identities[32];
  for (uint32_t bit = 0; bit < 32; ++bit) {
    identities[bit] = TypeIdentity{1u << bit, "#"};
    const std::string name = "T" + std::to_string(bit);
    ASSERT_FALSE(registry.RegisterType(name, 1, identities[bit], false).alreadyRegistered());
  }
  for (uint32_t bit = 0; bit < 32; ++bit) {
    const TypeInfo* info = registry.FindType(1u << bit);
    ASSERT_NE(info, nullptr) << bit;
    EXPECT_EQ(info->name, "T" + std::to_string(bit));
  }
  EXPECT_EQ(registry.FindType(3u), nullptr);
}

TEST(BindingRegistryTest, TypesListsRegistrationOrderAndRemoveAllForgetsThem) {
  BindingRegistry registry;
  RegisterStruct<Widget>(registry, "Zed");
  RegisterEnum<Shade>(registry, "Alpha");
  RegisterStruct<Gadget>(registry, "Mid");
  std::vector<std::string> names;
  for (const TypeInfo* info : registry.Types()) names.push_back(info->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Zed", "Alpha", "Mid"}));

  registry.RemoveAllTypes();
  EXPECT_TRUE(registry.Types().empty());
  EXPECT_EQ(registry.FindTypeByName("Zed"), nullptr);
  EXPECT_EQ(registry.FindType(TypeIdentityOf<Shade>()), nullptr);
  // The names are free again.
  EXPECT_EQ(RegisterStruct<Widget>(registry, "Zed").builder().outcome(),
            TypeBuilder::Outcome::Created);
}

}  // namespace
}  // namespace Vela
