#include "abi/api_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/native_type_builder.h"
#include "binding/type_identity_of.h"
#include "rest/api_registry.h"
#include "rest/dispatch.h"
#include "rest/rest_function.h"
#include "util/packed_copy.h"

namespace DescriptionTest {
struct Card {
  int32_t id = 0;
  std::vector<std::string> lines;
};
enum class Phase : int32_t { None = 0, Running = 1 };
}  // namespace DescriptionTest
VELA_STATIC_TYPE(DescriptionTest::Card);
VELA_STATIC_TYPE(DescriptionTest::Phase);

namespace Vela {
namespace {

using DescriptionTest::Card;
using DescriptionTest::Phase;

// The help, asynchronous and callback types every API registry holds from its creation.
constexpr uint32_t kBuiltinTypeCount = 15;

// Walks a record array through its first words and checks they chain the array in order.
template <typename Record, typename Next>
void ExpectChained(const Record* first, uint32_t count, Next next) {
  const Record* record = first;
  for (uint32_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(record, first + i);
    record = next(record);
  }
  EXPECT_EQ(record, nullptr);
}

TEST(ApiDescriptionTest, BlockDescribesFunctionsTypesEventsAndBindings) {
  ApiRegistry api;
  RegisterEnum<Phase>(api.types(), "Phase").Value("Running", Phase::Running).Value("None", Phase::None);
  RegisterStruct<Card>(api.types(), "Card")
      .Field("id", &Card::id, "the id")
      .Field("lines", &Card::lines)
      .Description("A card.");

  FunctionRecord& helper = api.AddFunction("Helper");  // a function without a binding
  helper.description = "help me";
  helper.tags = {"$builtin", "async"};
  helper.threadSafe = true;

  RegisterRestFunction(api, {HttpMethod::Delete, "/v1/cards/{id}"},
                       {{"id", ParameterLocation::Path, "which card"}, {"phase", ParameterLocation::Any, "", true}},
                       [](const std::string&, Phase) { return std::vector<Card>{}; });
  FunctionBinding& custom = RegisterRestFunction(api, {HttpMethod::Custom, "/v1/purge"}, {},
                                                 []() { return Card{}; });
  custom.SetMethod(HttpMethod::Custom, "PURGE");
  custom.SetFlag(3);
  custom.AddTextList({"x", "y"});

  (void)api.types().RegisterEvent("OnCard", TypeIdentityOf<Card>()).SetDescription("Fired.").AddTag("$module");
  (void)api.types().RegisterEvent("OnPhase", TypeIdentityOf<Phase>()).SetNameSpace("ns").AddTag("a").AddTag("b");
  const ApiDescription& block = api.BuildApiDescription();
  EXPECT_EQ(&api.BuildApiDescription(), &block);  // built once

  // REST function records: one per binding, chained through their first word.
  ASSERT_EQ(Copy(block.functionCount), 2u);
  ExpectChained(block.functions, block.functionCount, [](const RestFunctionRecord* r) {
    return reinterpret_cast<const RestFunctionRecord*>(r->description.next);
  });
  const RestFunctionRecord& remove = block.functions[0];
  EXPECT_STREQ(remove.description.name, "DeleteV1CardsById");
  EXPECT_EQ(Copy(remove.description.zero), 0u);
  ASSERT_NE(Copy(remove.description.context), nullptr);
  EXPECT_EQ(Copy(remove.description.context->registry), &api);
  EXPECT_EQ(Copy(remove.description.context->binding), api.ListBindings()[0]);
  EXPECT_EQ(Copy(remove.dispatch), &DispatchRestRequest);
  EXPECT_STREQ(remove.pathTemplate, "/v1/cards/{id}");
  EXPECT_EQ(Copy(remove.method), 1u);
  EXPECT_STREQ(remove.customVerb, "");
  EXPECT_EQ(Copy(remove.description.returnType), static_cast<uint32_t>(TypeCode::Vector));
  EXPECT_EQ(Copy(remove.description.returnElementType), static_cast<uint32_t>(TypeCode::Struct));
  EXPECT_STREQ(remove.description.returnTypeName, "Card");
  ASSERT_EQ(Copy(remove.description.argCount), 2u);
  const ArgumentEntry* id = remove.description.args;
  ExpectChained(id, 2, [](const ArgumentEntry* r) { return r->next; });
  EXPECT_STREQ(id->name, "id");
  EXPECT_STREQ(id->description, "which card");
  EXPECT_EQ(Copy(id->type), static_cast<uint32_t>(TypeCode::String));
  EXPECT_STREQ(id->typeName, "");
  EXPECT_EQ(Copy(id->optional), 0);
  EXPECT_STREQ(id[1].name, "phase");
  EXPECT_EQ(Copy(id[1].type), static_cast<uint32_t>(TypeCode::Enum));
  EXPECT_STREQ(id[1].typeName, "Phase");
  EXPECT_EQ(Copy(id[1].optional), 1);
  const ParamLocationEntry* location = remove.locations;
  ASSERT_NE(location, nullptr);
  ExpectChained(location, 2, [](const ParamLocationEntry* r) { return r->next; });
  EXPECT_EQ(Copy(location->location), 2u);
  EXPECT_EQ(Copy(location[1].location), 0u);
  EXPECT_EQ(Copy(remove.textListCount), 0u);

  const RestFunctionRecord& purge = block.functions[1];
  EXPECT_EQ(Copy(purge.description.context->binding), api.ListBindings()[1]);
  EXPECT_EQ(Copy(purge.method), 8u);
  EXPECT_STREQ(purge.customVerb, "PURGE");
  EXPECT_EQ(Copy(purge.flag), 3);
  EXPECT_EQ(Copy(purge.description.argCount), 0u);
  EXPECT_EQ(Copy(purge.locations), nullptr);
  ASSERT_EQ(Copy(purge.textListCount), 1u);
  ASSERT_EQ(Copy(purge.textLists->count), 2u);
  EXPECT_STREQ(purge.textLists->texts[1], "y");
  EXPECT_EQ(Copy(purge.textLists->next), nullptr);

  // Types, in registration order: the built-ins the registry holds from its creation first.
  ASSERT_EQ(Copy(block.typeCount), kBuiltinTypeCount + 2u);
  ExpectChained(block.types, block.typeCount, [](const TypeRecord* r) { return r->next; });
  EXPECT_STREQ(block.types[0].name, "BindingHelpFormat");
  EXPECT_STREQ(block.types[kBuiltinTypeCount - 1].name, "BindingAsyncCancelEvent");
  const TypeRecord& phase = block.types[kBuiltinTypeCount];
  EXPECT_STREQ(phase.name, "Phase");
  EXPECT_EQ(Copy(phase.size), sizeof(Phase));
  EXPECT_EQ(Copy(phase.fields), nullptr);
  ASSERT_EQ(Copy(phase.count), 2u);
  EXPECT_STREQ(phase.values[0].name, "None");  // the value map is ordered by name
  EXPECT_EQ(Copy(phase.values[1].value), 1);
  ExpectChained(phase.values, 2, [](const EnumValueEntry* r) { return r->next; });
  const TypeRecord& card = block.types[kBuiltinTypeCount + 1];
  EXPECT_STREQ(card.description, "A card.");
  EXPECT_EQ(Copy(card.values), nullptr);
  ASSERT_EQ(Copy(card.count), 2u);
  EXPECT_STREQ(card.fields[0].name, "id");
  EXPECT_STREQ(card.fields[0].description, "the id");
  EXPECT_EQ(Copy(card.fields[0].offset), offsetof(Card, id));
  EXPECT_EQ(Copy(card.fields[1].offset), offsetof(Card, lines));
  EXPECT_EQ(Copy(card.fields[1].type), static_cast<uint32_t>(TypeCode::Vector));
  EXPECT_EQ(Copy(card.fields[1].elementType), static_cast<uint32_t>(TypeCode::String));
  ExpectChained(card.fields, 2, [](const FieldEntry* r) { return r->next; });

  // Events: the registry's records in registration order.
  ASSERT_EQ(Copy(block.eventCount), 3u);
  ExpectChained(block.events, block.eventCount, [](const EventRecord* r) { return r->next; });
  EXPECT_STREQ(block.events[0].name, "OnCallback");
  EXPECT_STREQ(block.events[0].payloadType, "BindingCallbackEvent");
  EXPECT_STREQ(block.events[0].description, "Fired when a callback is invoked.");
  ASSERT_EQ(Copy(block.events[0].tagCount), 1u);
  EXPECT_STREQ(block.events[0].tags[0], "$builtin");
  EXPECT_STREQ(block.events[1].name, "OnCard");
  EXPECT_STREQ(block.events[1].payloadType, "Card");
  EXPECT_STREQ(block.events[1].nameSpace, "");
  EXPECT_STREQ(block.events[1].description, "Fired.");
  ASSERT_EQ(Copy(block.events[1].tagCount), 1u);
  EXPECT_STREQ(block.events[1].tags[0], "$module");
  EXPECT_STREQ(block.events[2].name, "OnPhase");
  EXPECT_STREQ(block.events[2].nameSpace, "ns");
  EXPECT_STREQ(block.events[2].payloadType, "Phase");
  ASSERT_EQ(Copy(block.events[2].tagCount), 2u);
  EXPECT_STREQ(block.events[2].tags[1], "b");
}

TEST(ApiDescriptionTest, BindingsAreCreatedOnceWithAnyLocations) {
  ApiRegistry api;
  FunctionRecord& function = api.AddFunction("F");
  function.AddParameter("a", {TypeCode::Int32});
  function.AddParameter("b", {TypeCode::Bool});
  EXPECT_EQ(api.FindBinding(function), nullptr);
  FunctionBinding& binding = api.AddBinding(function);
  EXPECT_EQ(&api.AddBinding(function), &binding);
  EXPECT_EQ(api.FindBinding(function), &binding);
  ASSERT_EQ(binding.locations().size(), 2u);
  EXPECT_EQ(binding.locations()[1], ParameterLocation::Any);
  EXPECT_EQ(api.ListBindings(), std::vector<FunctionBinding*>{&binding});
  const ApiDescription& block = api.BuildApiDescription();
  ASSERT_EQ(Copy(block.functionCount), 1u);
  EXPECT_STREQ(block.functions[0].pathTemplate, "");
}

}  // namespace
}  // namespace Vela
