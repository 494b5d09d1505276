// The API help in its two formats, over hand-made records and over the built-ins.
#include "rest/api_help.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "binding/binding_async_types.h"
#include "binding/native_type.h"
#include "binding/native_type_builder.h"
#include "binding/type_identity_of.h"
#include "rest/api_registry.h"
#include "rest/epytext.h"

namespace HelpTest {
struct Card {
  int32_t zeta = 0;
  std::string alpha;
  std::optional<int32_t> maybe;
};
enum class Level : int32_t { One = 1, Three = 3, Five = 5 };
}  // namespace HelpTest
VELA_STATIC_TYPE(HelpTest::Card);
VELA_STATIC_TYPE(HelpTest::Level);

namespace Vela {
namespace {

using HelpTest::Card;
using HelpTest::Level;
using ::testing::ElementsAre;

constexpr std::string_view kUnregisteredStructure =
    "Couldn't convert native value because it's an unregistered structure.";

std::vector<std::string> FieldNames(const BindingProperty& value) {
  std::vector<std::string> names;
  for (const BindingField& field : value.Fields()) names.emplace_back(field.name());
  return names;
}

class ApiHelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterEnum<Level>(registry(), "Level")
        .Description("How {deep}.")
        .Tag("t1")
        .Tag("t2")
        .Value("Five", Level::Five, "five")
        .Value("One", Level::One)
        .Value("Three", Level::Three, "three");
    RegisterStruct<Card>(registry(), "Card")
        .Field("zeta", &Card::zeta, "Last {letter}")
        .Field("alpha", &Card::alpha)
        .Field("maybe", &Card::maybe, "-may be")
        .Description("-A card.");
    card_ = registry().FindTypeByName("Card");
    level_ = registry().FindTypeByName("Level");
  }

  BindingRegistry& registry() { return api_.types(); }

  TypeDescriptor CardType() const { return {TypeCode::Struct, TypeCode::None, card_}; }
  TypeDescriptor CardList() const { return {TypeCode::Vector, TypeCode::Struct, card_}; }

  ApiRegistry api_;
  const TypeInfo* card_ = nullptr;
  const TypeInfo* level_ = nullptr;
};

TEST(EpytextTest, EscapesALeadingMinusAndEveryBrace) {
  struct Row {
    int line;
    std::string_view in;
    std::string_view out;
  };
  const Row rows[] = {
      {__LINE__, "", ""},
      {__LINE__, "-a {b}", "E{-}a E{lb}bE{rb}"},
      {__LINE__, "a-b", "a-b"},             // only a leading minus
      {__LINE__, "--", "E{-}-"},            // only the first one
      {__LINE__, "}{", "E{rb}E{lb}"},
      {__LINE__, "E{x}", "EE{lb}xE{rb}"},   // existing markup is escaped too
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(EscapeEpytext(row.in), row.out);
  }
}

TEST_F(ApiHelpTest, TypeNamesAndIdentifiersOfDescriptors) {
  struct Row {
    int line;
    TypeDescriptor type;
    std::string_view epytext;
    std::string_view identifier;
    std::string_view element;
  };
  const Row rows[] = {
      {__LINE__, {TypeCode::None}, "", "", ""},
      {__LINE__, {TypeCode::Bool}, "bool", "bool", ""},
      {__LINE__, {TypeCode::Blob}, "bytearray", "blob", ""},
      {__LINE__, CardType(), "L{Card}", "Card", ""},
      {__LINE__, {TypeCode::Enum, TypeCode::None, level_}, "L{Level}", "Level", ""},
      {__LINE__, CardList(), "list[L{Card}]", "vector", "Card"},
      {__LINE__, {TypeCode::Vector, TypeCode::Blob}, "list[bytearray]", "vector", "blob"},
      {__LINE__, {TypeCode::Map, TypeCode::String}, "dict[string]", "map", "string"},
      {__LINE__, {TypeCode::Map, TypeCode::Enum, level_}, "dict[L{Level}]", "map", "Level"},
      // Without a registered record the identifier falls back to the code's name.
      {__LINE__, {TypeCode::Struct}, "L{}", "struct", ""},
      {__LINE__, {TypeCode::Vector, TypeCode::Struct}, "list[L{}]", "vector", "struct"},
      {__LINE__, {static_cast<TypeCode>(20)}, "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(EpytextTypeName(row.type), row.epytext);
    const BindingFullTypeIdentifier identifier = TypeIdentifierOf(row.type);
    EXPECT_EQ(identifier.type, row.identifier);
    EXPECT_EQ(identifier.elementType, row.element);
  }
}

TEST_F(ApiHelpTest, FunctionEpytextFollowsItsLineOrder) {
  FunctionRecord& bare = api_.AddFunction("Bare");
  EXPECT_EQ(FunctionEpytext(bare), "");

  FunctionRecord& f = api_.AddFunction("GetCards");
  f.description = "-a {b}";
  f.help = "Lists cards.";
  f.AddParameter("id", {TypeCode::UInt32}, "The id");
  f.AddParameter("filter", {TypeCode::String});  // no description: only its type line
  f.AddParameter("phase", {TypeCode::Enum, TypeCode::None, level_}, "Phase {x}", /*isOptional=*/true);
  f.returnType = CardList();
  f.tags = {"$builtin", "async"};
  f.threadSafe = true;
  f.isAsync = true;
  f.asyncType = &TypeIdentityOf<Card>();
  EXPECT_EQ(FunctionEpytext(f),
            "E{-}a E{lb}bE{rb}\r\n\r\n"
            "Lists cards.\r\n\r\n"
            "@param id: The id\r\n"
            "@type id: uint32\r\n"
            "@type filter: string\r\n"
            "@param phase: (optional) Phase E{lb}xE{rb}\r\n"
            "@type phase: L{Level}\r\n"
            "@rtype: list[L{Card}]\r\n"
            "@tags: $builtin,async\r\n"
            "@threadsafe: true\r\n"
            "@async: list[L{Card}]\r\n");

  // Only a help text; the second descriptor, when set, is the one shown.
  FunctionRecord& g = api_.AddFunction("Other");
  g.help = "}";
  g.AddParameter("x", {TypeCode::Object}).elementType = {TypeCode::Map, TypeCode::Bool};
  g.returnElementType = CardType();
  EXPECT_EQ(FunctionEpytext(g), "E{rb}\r\n\r\n@type x: dict[bool]\r\n@rtype: L{Card}\r\n");
}

TEST_F(ApiHelpTest, TypeAndEventEpytext) {
  // Field and value descriptions are written as registered; type descriptions are escaped.
  EXPECT_EQ(TypeEpytext(*card_),
            "E{-}A card.\r\n\r\n"
            "@ivar zeta: Last {letter}\r\n"
            "@type zeta: int32\r\n"
            "@ivar alpha: \r\n"
            "@type alpha: string\r\n"
            "@ivar maybe: -may be\r\n"
            "@type maybe: int32\r\n");
  // Registered as 5, 1, 3; listed by value.
  EXPECT_EQ(TypeEpytext(*level_),
            "How E{lb}deepE{rb}.\r\n\r\n"
            "@cvar One: (1)\r\n"
            "@cvar Three: (3) three\r\n"
            "@cvar Five: (5) five\r\n"
            "@tags: t1,t2\r\n"
            "@size: 4\r\n");

  EventInfo event;
  event.name = "OnThing";
  EXPECT_EQ(EventEpytext(event), "");
  event.description = "{x}";
  event.tags = {"a", "b", "c"};
  EXPECT_EQ(EventEpytext(event), "E{lb}xE{rb}\r\n\r\n@tags: a,b,c\r\n");
}

TEST_F(ApiHelpTest, EnumerationValuesOfEqualNumberKeepNameOrder) {
  TypeBuilder builder = registry().RegisterType("Twin", 4, TypeIdentityOf<int64_t>(), true);
  builder.AddValue("b", -1).AddValue("a", 2).AddValue("c", -1);
  EXPECT_EQ(TypeEpytext(*builder.info()), "@cvar b: (-1)\r\n@cvar c: (-1)\r\n@cvar a: (2)\r\n@size: 4\r\n");
}

TEST_F(ApiHelpTest, FullHelpListsFieldsInRegistrationOrderWithKeysInByteOrder) {
  const TypeInfo* const types[] = {card_};
  BindingResult help = DescribeApi({}, types, {}, BindingHelpFormat::Full, registry());
  ASSERT_TRUE(help.ok()) << help.message();
  EXPECT_THAT(FieldNames(help.value()), ElementsAre("events", "functions", "types"));
  EXPECT_EQ(help.value().FieldOrEmpty("functions").kind(), BindingKind::Collection);
  EXPECT_EQ(help.value().FieldOrEmpty("events").kind(), BindingKind::Collection);
  const BindingProperty& list = help.value().FieldOrEmpty("types");
  ASSERT_EQ(list.size(), 1u);
  const BindingProperty& card = list.ElementOrEmpty(0);
  EXPECT_THAT(FieldNames(card), ElementsAre("description", "fields", "name", "nameSpace", "size", "tags", "values"));
  EXPECT_THAT(FieldNames(card.FieldOrEmpty("fields").ElementOrEmpty(0)),
              ElementsAre("description", "name", "offset", "optional", "type"));

  // The whole item reads back into the native help structure it was made from.
  auto native = FromBinding<BindingFullTypeHelp>(card, "card", registry());
  ASSERT_TRUE(native.ok()) << native.message();
  BindingFullTypeHelp expected;
  expected.name = "Card";
  expected.size = sizeof(Card);
  expected.description = "-A card.";  // Full keeps texts as registered
  expected.fields = {
      {"zeta", "Last {letter}", static_cast<uint32_t>(offsetof(Card, zeta)), {"int32", ""}, false},
      {"alpha", "", static_cast<uint32_t>(offsetof(Card, alpha)), {"string", ""}, false},
      {"maybe", "-may be", static_cast<uint32_t>(offsetof(Card, maybe)), {"int32", ""}, true},
  };
  EXPECT_EQ(native.value(), expected);
  EXPECT_EQ(TypeHelpOf(*card_), expected);
}

TEST_F(ApiHelpTest, FullHelpOfFunctionsAndEnumerations) {
  FunctionRecord& f = api_.AddFunction("GetCards");
  f.description = "d";
  f.help = "h";
  f.AddParameter("id", {TypeCode::UInt32}, "The id");
  f.AddParameter("phase", {TypeCode::Enum, TypeCode::None, level_}, "", true);
  f.returnType = CardList();
  f.tags = {"x"};
  f.threadSafe = true;
  f.isAsync = true;
  f.asyncType = &TypeIdentityOf<BindingGenericAsyncEvent>();

  BindingFullFunctionHelp expected;
  expected.name = "GetCards";
  expected.arguments = {{"id", "The id", {"uint32", ""}, false}, {"phase", "", {"Level", ""}, true}};
  expected.returns = {"vector", "Card"};
  expected.description = "d";
  expected.help = "h";
  expected.threadSafe = true;
  expected.async = "BindingGenericAsyncEvent";
  expected.tags = {"x"};
  EXPECT_EQ(FunctionHelpOf(f, registry()), expected);

  f.isAsync = false;  // the async type is named only for an asynchronous function
  const FunctionRecord* const functions[] = {&f};
  const TypeInfo* const types[] = {level_};
  BindingResult help = DescribeApi(functions, types, {}, BindingHelpFormat::Full, registry());
  ASSERT_TRUE(help.ok()) << help.message();
  auto function = FromBinding<BindingFullFunctionHelp>(
      help.value().FieldOrEmpty("functions").ElementOrEmpty(0), "f", registry());
  ASSERT_TRUE(function.ok()) << function.message();
  expected.async = "";
  EXPECT_EQ(function.value(), expected);

  // Enumeration values come in the registry's name order, each with its number.
  auto level = FromBinding<BindingFullTypeHelp>(help.value().FieldOrEmpty("types").ElementOrEmpty(0), "t",
                                                registry());
  ASSERT_TRUE(level.ok()) << level.message();
  EXPECT_TRUE(level.value().fields.empty());
  EXPECT_EQ(level.value().values,
            (std::vector<BindingFullEnumValueHelp>{{"Five", "five", 5}, {"One", "", 1}, {"Three", "three", 3}}));
  EXPECT_EQ(level.value().tags, (std::vector<std::string>{"t1", "t2"}));
}

TEST_F(ApiHelpTest, ListsAreSortedByNameBytewise) {
  for (const char* name : {"b", "\xC3\xA9", "B", "a", "_"}) (void)api_.AddFunction(name);
  BindingResult help = DescribeApi(api_, BindingHelpFormat::Full);
  ASSERT_TRUE(help.ok()) << help.message();
  std::vector<std::string> names;
  for (const BindingProperty& item : help.value().FieldOrEmpty("functions").Elements()) {
    names.emplace_back(item.FieldOrEmpty("name").GetStringOr(""));
  }
  // Upper case before "_" before lower case; a byte above 0x7F last (unsigned).
  EXPECT_THAT(names, ElementsAre("B", "_", "a", "b", "\xC3\xA9"));
}

TEST_F(ApiHelpTest, EpytextMakesOneTextPerItemName) {
  FunctionRecord& f = api_.AddFunction("Ping");
  f.description = "Pings.";
  (void)api_.AddFunction("Quiet");
  const FunctionRecord* const functions[] = {&f, api_.Functions()[1]};
  const TypeInfo* const types[] = {card_, level_};
  BindingResult help = DescribeApi(functions, types, {}, BindingHelpFormat::Epytext, registry());
  ASSERT_TRUE(help.ok()) << help.message();
  const BindingProperty& texts = help.value().FieldOrEmpty("functions");
  EXPECT_EQ(texts.kind(), BindingKind::Structure);
  EXPECT_THAT(FieldNames(texts), ElementsAre("Ping", "Quiet"));
  EXPECT_EQ(texts.FieldOrEmpty("Ping").GetStringOr("?"), "Pings.\r\n\r\n");
  EXPECT_EQ(texts.FieldOrEmpty("Quiet").kind(), BindingKind::String);
  EXPECT_EQ(texts.FieldOrEmpty("Quiet").GetStringOr("?"), "");
  EXPECT_EQ(help.value().FieldOrEmpty("types").FieldOrEmpty("Level").GetStringOr(""), TypeEpytext(*level_));
  EXPECT_EQ(help.value().FieldOrEmpty("types").FieldOrEmpty("Card").GetStringOr(""), TypeEpytext(*card_));
  // No events given: an empty Structure, not an Empty value.
  EXPECT_EQ(help.value().FieldOrEmpty("events").kind(), BindingKind::Structure);
  EXPECT_EQ(help.value().FieldOrEmpty("events").size(), 0u);
}

TEST_F(ApiHelpTest, AnyOtherFormatLeavesTheThreeFieldsEmpty) {
  (void)api_.AddFunction("F");
  for (const int32_t format : {0, 3, -1}) {
    SCOPED_TRACE(format);
    BindingResult help = DescribeApi(api_, static_cast<BindingHelpFormat>(format));
    ASSERT_TRUE(help.ok());
    EXPECT_THAT(FieldNames(help.value()), ElementsAre("events", "functions", "types"));
    for (const BindingField& field : help.value().Fields()) EXPECT_TRUE(field.value().IsEmpty());
  }
}

TEST(ApiHelpWithoutBuiltinsTest, FullFailsWhenTheHelpTypesAreNotRegistered) {
  BindingRegistry bare;
  RegisterEnum<Level>(bare, "Level").Value("One", Level::One);
  const TypeInfo* const types[] = {bare.FindTypeByName("Level")};
  BindingResult full = DescribeApi({}, types, {}, BindingHelpFormat::Full, bare);
  EXPECT_FALSE(full.ok());
  EXPECT_EQ(full.message(), kUnregisteredStructure);
  // Nothing to convert is no failure, and Epytext needs no help types.
  EXPECT_TRUE(DescribeApi({}, {}, {}, BindingHelpFormat::Full, bare).ok());
  BindingResult epytext = DescribeApi({}, types, {}, BindingHelpFormat::Epytext, bare);
  ASSERT_TRUE(epytext.ok());
  EXPECT_EQ(epytext.value().FieldOrEmpty("types").FieldOrEmpty("Level").GetStringOr(""),
            "@cvar One: (1)\r\n@size: 4\r\n");
}

TEST(ApiHelpOfBuiltinsTest, DescribesTheBuiltinTypesAndEvent) {
  ApiRegistry api;
  BindingResult epytext = DescribeApi(api, BindingHelpFormat::Epytext);
  ASSERT_TRUE(epytext.ok()) << epytext.message();
  const BindingProperty& types = epytext.value().FieldOrEmpty("types");
  EXPECT_EQ(types.size(), 15u);
  EXPECT_EQ(types.FieldOrEmpty("BindingAsyncState").GetStringOr(""),
            "Possible states of an asynchronous operation.\r\n\r\n"
            "@cvar None: (0) Invalid state\r\n"
            "@cvar Running: (1) The operation is in flight\r\n"
            "@cvar Cancelling: (2) A request to cancel the operation has been made\r\n"
            "@cvar Cancelled: (3) The operation was cancelled\r\n"
            "@cvar Succeeded: (4) The operation completed successfully\r\n"
            "@cvar Failed: (5) The operation encountered an error\r\n"
            "@tags: $builtin,async\r\n"
            "@size: 4\r\n");
  EXPECT_EQ(types.FieldOrEmpty("BindingCallbackEvent").GetStringOr(""),
            "Represents the parameters of a call to a provided callback.\r\n\r\n"
            "@ivar id: ID of the callback being invoked\r\n"
            "@type id: uint32\r\n"
            "@ivar parameters: Callback parameters\r\n"
            "@type parameters: list[object]\r\n"
            "@tags: $builtin\r\n");
  // The built-in event's epytext is read through arx-host describe.

  BindingResult full = DescribeApi(api, BindingHelpFormat::Full);
  ASSERT_TRUE(full.ok()) << full.message();
  const BindingProperty& events = full.value().FieldOrEmpty("events");
  ASSERT_EQ(events.size(), 1u);
  auto callback = FromBinding<BindingFullEventHelp>(events.ElementOrEmpty(0), "event", api.types());
  ASSERT_TRUE(callback.ok()) << callback.message();
  EXPECT_EQ(callback.value(), (BindingFullEventHelp{"OnCallback", "", {"BindingCallbackEvent", ""},
                                                    "Fired when a callback is invoked.", {"$builtin"}}));
}

}  // namespace
}  // namespace Vela
