// The registry's built-in types and event, its initialisation, and its event records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/binding_async_types.h"
#include "binding/binding_help_types.h"
#include "binding/binding_registry.h"
#include "binding/native_type.h"
#include "binding/native_type_builder.h"
#include "binding/type_identity_of.h"

namespace Vela::InitialisationTest {
struct Payload {
  int32_t n = 0;
};
struct Squatter {
  bool b = false;
};
}  // namespace Vela::InitialisationTest
VELA_STATIC_TYPE(Vela::InitialisationTest::Payload);
VELA_STATIC_TYPE(Vela::InitialisationTest::Squatter);

namespace Vela {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using InitialisationTest::Payload;

const std::vector<std::string> kBuiltinTypeNames = {
    "BindingHelpFormat",        "BindingFullTypeIdentifier", "BindingFullArgumentHelp",
    "BindingFullFunctionHelp",  "BindingFullEnumValueHelp",  "BindingFullFieldHelp",
    "BindingFullTypeHelp",      "BindingFullEventHelp",      "BindingFullApiHelp",
    "BindingAsyncState",        "BindingGenericEvent",       "BindingCallbackEvent",
    "BindingGenericAsyncEvent", "BindingAsyncFailureEvent",  "BindingAsyncCancelEvent",
};

std::vector<std::string> TypeNames(const BindingRegistry& registry) {
  std::vector<std::string> names;
  for (const TypeInfo* info : registry.Types()) names.push_back(info->name);
  return names;
}

std::vector<std::string> EventNames(const BindingRegistry& registry) {
  std::vector<std::string> names;
  for (const EventInfo* info : registry.Events()) names.push_back(info->name);
  return names;
}

TEST(RegistryInitialisationTest, RepeatingItLeavesOneCopyAndDropsEverythingElse) {
  BindingRegistry registry;
  EXPECT_FALSE(registry.initialised());
  registry.Initialise();
  EXPECT_TRUE(registry.initialised());
  EXPECT_THAT(TypeNames(registry), ElementsAreArray(kBuiltinTypeNames));
  RegisterStruct<Payload>(registry, "Payload").Field("n", &Payload::n);
  registry.RegisterEvent("OnPayload", TypeIdentityOf<Payload>()).SetDescription("p");

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    registry.Initialise();
    EXPECT_THAT(TypeNames(registry), ElementsAreArray(kBuiltinTypeNames));
    EXPECT_THAT(EventNames(registry), ElementsAre("OnCallback"));
    EXPECT_EQ(registry.FindTypeByName("Payload"), nullptr);
    EXPECT_EQ(registry.FindType(TypeIdentityOf<Payload>()), nullptr);
    EXPECT_EQ(registry.FindEvent("OnPayload"), nullptr);
  }
  // The records were made again: the indexes point at live ones.
  const TypeInfo* state = registry.FindType(TypeIdentityOf<BindingAsyncState>());
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state, registry.FindTypeByName("BindingAsyncState"));
  EXPECT_EQ(state->values.size(), 6u);
  // The callback event's payload resolves through the fresh records.
  const EventInfo* callback = registry.FindEvent("OnCallback");
  ASSERT_NE(callback, nullptr);
  EXPECT_EQ(registry.DescriptorOf(*callback->payloadType).info,
            registry.FindTypeByName("BindingCallbackEvent"));
}

TEST(RegistryInitialisationTest, TypesRegisteredBeforeTheFirstOneAreKeptAndComeFirst) {
  BindingRegistry registry;
  RegisterStruct<Payload>(registry, "Payload").Field("n", &Payload::n);
  // A type that takes a built-in's name keeps it: the built-in is not registered over it.
  RegisterStruct<InitialisationTest::Squatter>(registry, "BindingGenericEvent");
  registry.Initialise();
  std::vector<std::string> expected = {"Payload", "BindingGenericEvent"};
  for (const std::string& name : kBuiltinTypeNames) {
    if (name != "BindingGenericEvent") expected.push_back(name);
  }
  EXPECT_THAT(TypeNames(registry), ElementsAreArray(expected));
  const TypeInfo* squatter = registry.FindTypeByName("BindingGenericEvent");
  ASSERT_NE(squatter, nullptr);
  EXPECT_EQ(squatter->identity, &TypeIdentityOf<InitialisationTest::Squatter>());
  EXPECT_EQ(registry.FindType(TypeIdentityOf<BindingGenericEvent>()), nullptr);
}

// Field types come from the members, as for any registered structure; what is the registry's
// own is each type's description, tags, field order and field descriptions.
TEST(RegistryInitialisationTest, BuiltInStructuresCarryTheirTagsDescriptionsAndFields) {
  BindingRegistry registry;
  registry.Initialise();
  const std::vector<std::string> help = {"$builtin", "help"};
  const std::vector<std::string> async = {"$builtin", "async"};
  const std::string token = "asyncToken: Asynchronous operation token";
  struct Row {
    int line;
    const char* name;
    const char* description;
    std::vector<std::string> tags;
    std::vector<std::string> fields;  // "name" or "name: description"
  };
  const Row rows[] = {
      {__LINE__, "BindingFullTypeIdentifier", "Describes the type of a value.", help, {"type", "elementType"}},
      {__LINE__, "BindingFullArgumentHelp", "Describes a function parameter.", help,
       {"name", "description", "type", "optional"}},
      {__LINE__, "BindingFullFunctionHelp", "Describes a function.", help,
       {"name", "nameSpace", "arguments", "returns", "description", "help", "threadSafe", "async", "tags"}},
      {__LINE__, "BindingFullEnumValueHelp", "Describes an enumerator.", help, {"name", "description", "value"}},
      {__LINE__, "BindingFullFieldHelp", "Describes a member of a struct.", help,
       {"name", "description", "offset", "type", "optional"}},
      {__LINE__, "BindingFullTypeHelp", "Describes a struct or enum type.", help,
       {"name", "nameSpace", "size", "description", "tags", "fields", "values"}},
      {__LINE__, "BindingFullEventHelp", "Describes an event.", help, {"name", "nameSpace", "type", "description", "tags"}},
      {__LINE__, "BindingFullApiHelp", "Describes the exposed native API.", help, {"functions", "types", "events"}},
      {__LINE__, "BindingGenericEvent", "Represents generic data for an event.", {"$builtin"}, {"data: Event data"}},
      {__LINE__, "BindingGenericAsyncEvent", "Represents generic data for an asynchronous event.", async,
       {token, "data: Event data"}},
      {__LINE__, "BindingAsyncFailureEvent", "Represents a failed asynchronous operation.", async,
       {token, "error: Error message"}},
      {__LINE__, "BindingAsyncCancelEvent", "Represents a cancelled asynchronous operation.", async, {token}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const TypeInfo* info = registry.FindTypeByName(row.name);
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->isEnum);
    EXPECT_EQ(info->description, row.description);
    EXPECT_EQ(info->tags, row.tags);
    std::vector<std::string> fields;
    for (const FieldRecord& field : info->fields) {
      fields.push_back(field.description.empty() ? field.name : field.name + ": " + field.description);
      EXPECT_EQ(field.flags, kFieldNoFlags);
      EXPECT_FALSE(field.optional);
    }
    EXPECT_EQ(fields, row.fields);
  }

  const TypeInfo* format = registry.FindTypeByName("BindingHelpFormat");
  ASSERT_NE(format, nullptr);
  EXPECT_TRUE(format->isEnum);
  EXPECT_EQ(format->description, "Help format for binding functions and types.");
  EXPECT_EQ(format->tags, help);
  ASSERT_EQ(format->values.size(), 2u);
  EXPECT_EQ(format->values.at("Full").value, 1);
  EXPECT_EQ(format->values.at("Full").description, "Native help format");
  EXPECT_EQ(format->values.at("Epytext").value, 2);
  EXPECT_EQ(format->values.at("Epytext").description, "Python epytext format");
}

TEST(RegistryInitialisationTest, CallbackEventConvertsItsParametersUnconverted) {
  BindingRegistry registry;
  registry.Initialise();
  BindingProperty input;
  input.MutableField("id") = 7u;
  BindingProperty& parameters = input.MutableField("parameters");
  parameters.Append() = "text";
  parameters.Append().MutableField("deep") = true;
  parameters.Append();  // Empty stays an Empty value, not a failure

  auto event = FromBinding<BindingCallbackEvent>(input, "payload", registry);
  ASSERT_TRUE(event.ok()) << event.message();
  EXPECT_EQ(event.value().id, 7u);
  ASSERT_EQ(event.value().parameters.size(), 3u);
  EXPECT_EQ(event.value().parameters[0].GetStringOr(""), "text");
  EXPECT_TRUE(event.value().parameters[1].FieldOrEmpty("deep").GetBoolOr(false));
  EXPECT_TRUE(event.value().parameters[2].IsEmpty());

  BindingResult back = ToBinding(event.value(), registry);
  ASSERT_TRUE(back.ok()) << back.message();
  EXPECT_EQ(back.value(), input);
}

TEST(EventRegistrationTest, RegistersLooksUpListsAndUnregisters) {
  BindingRegistry registry;
  EventBuilder first = registry.RegisterEvent("OnB", TypeIdentityOf<Payload>());
  ASSERT_FALSE(first.alreadyRegistered());
  first.SetDescription("B happened.").SetNameSpace("ns").AddTag("").AddTag("x").AddTag("y");
  (void)registry.RegisterEvent("OnA", TypeIdentityOf<Payload>());

  const EventInfo* b = registry.FindEvent("OnB");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b, first.info());
  EXPECT_EQ(b->payloadType, &TypeIdentityOf<Payload>());
  EXPECT_EQ(b->description, "B happened.");
  EXPECT_EQ(b->nameSpace, "ns");
  EXPECT_THAT(b->tags, ElementsAre("x", "y"));  // the empty tag is ignored
  EXPECT_EQ(b->registry, &registry);
  EXPECT_THAT(EventNames(registry), ElementsAre("OnB", "OnA"));  // registration order
  EXPECT_EQ(registry.FindEvent("onb"), nullptr);

  // The same name again: the existing record, and the builder changes nothing.
  EventBuilder again = registry.RegisterEvent("OnB", TypeIdentityOf<BindingCallbackEvent>());
  EXPECT_TRUE(again.alreadyRegistered());
  EXPECT_EQ(again.info(), b);
  again.SetDescription("other").SetNameSpace("other").AddTag("z");
  EXPECT_EQ(b->description, "B happened.");
  EXPECT_EQ(b->nameSpace, "ns");
  EXPECT_THAT(b->tags, ElementsAre("x", "y"));
  EXPECT_EQ(b->payloadType, &TypeIdentityOf<Payload>());

  registry.UnregisterEvent("OnB");
  EXPECT_EQ(registry.FindEvent("OnB"), nullptr);
  EXPECT_THAT(EventNames(registry), ElementsAre("OnA"));
  registry.UnregisterEvent("OnB");      // already gone: nothing happens
  registry.UnregisterEvent("Unknown");  // never registered: nothing happens
  EXPECT_THAT(EventNames(registry), ElementsAre("OnA"));
}

}  // namespace
}  // namespace Vela
