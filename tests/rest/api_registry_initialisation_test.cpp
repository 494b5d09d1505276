// The API registry's initialisation: built-ins from creation, a clean slate when repeated.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/binding_async_types.h"
#include "binding/native_type_builder.h"
#include "binding/type_identity_of.h"
#include "rest/api_registry.h"
#include "util/packed_copy.h"

namespace ApiInitialisationTest {
struct Note {
  std::string text;
};
struct Unlisted {};
}  // namespace ApiInitialisationTest
VELA_STATIC_TYPE(ApiInitialisationTest::Note);
VELA_STATIC_TYPE(ApiInitialisationTest::Unlisted);

namespace Vela {
namespace {

using ApiInitialisationTest::Note;
using ApiInitialisationTest::Unlisted;

std::vector<std::string> EventNames(const ApiDescription& block) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < Copy(block.eventCount); ++i) names.emplace_back(Copy(block.events[i].name));
  return names;
}

TEST(ApiRegistryInitialisationTest, InitialisingAgainRemovesFunctionsBindingsTypesAndEvents) {
  ApiRegistry api;
  const std::size_t builtinTypes = api.types().Types().size();
  RegisterStruct<Note>(api.types(), "Note").Field("text", &Note::text);
  (void)api.types().RegisterEvent("OnNote", TypeIdentityOf<Note>());
  FunctionRecord& function = api.AddFunction("GetNote");
  (void)api.AddBinding(function);
  EXPECT_EQ(Copy(api.BuildApiDescription().functionCount), 1u);

  api.Initialise();
  EXPECT_TRUE(api.Functions().empty());
  EXPECT_TRUE(api.ListBindings().empty());
  EXPECT_EQ(api.types().FindTypeByName("Note"), nullptr);
  EXPECT_EQ(api.types().FindEvent("OnNote"), nullptr);
  EXPECT_EQ(api.types().Types().size(), builtinTypes);

  // The block is built afresh from what the registry now holds.
  const ApiDescription& block = api.BuildApiDescription();
  EXPECT_EQ(Copy(block.functionCount), 0u);
  EXPECT_EQ(Copy(block.typeCount), builtinTypes);
  EXPECT_THAT(EventNames(block), ::testing::ElementsAre("OnCallback"));
}

TEST(ApiRegistryInitialisationTest, BlockListsRegisteredEventsAsTheyAreWhenBuilt) {
  ApiRegistry api;
  RegisterStruct<Note>(api.types(), "Note").Field("text", &Note::text);
  (void)api.types().RegisterEvent("OnNote", TypeIdentityOf<Note>());
  (void)api.types().RegisterEvent("OnGone", TypeIdentityOf<Note>());
  // A payload type that is not registered has no name to show.
  (void)api.types().RegisterEvent("OnLoose", TypeIdentityOf<Unlisted>());
  api.types().UnregisterEvent("OnGone");
  const ApiDescription& block = api.BuildApiDescription();
  EXPECT_THAT(EventNames(block), ::testing::ElementsAre("OnCallback", "OnNote", "OnLoose"));
  EXPECT_STREQ(block.events[1].payloadType, "Note");
  EXPECT_STREQ(block.events[2].payloadType, "");
  EXPECT_EQ(Copy(block.events[2].tags), nullptr);
  EXPECT_EQ(Copy(block.events[2].tagCount), 0u);
}

TEST(ApiRegistryInitialisationTest, BlockNamesTheAsyncTypeOfAnAsyncFunctionByItsRegisteredName) {
  ApiRegistry api;
  FunctionRecord& async = api.AddFunction("Async");
  async.isAsync = true;
  async.asyncType = &TypeIdentityOf<BindingGenericAsyncEvent>();
  FunctionRecord& loose = api.AddFunction("Loose");
  loose.isAsync = true;
  loose.asyncType = &TypeIdentityOf<Unlisted>();  // not registered: its identity's name
  FunctionRecord& plain = api.AddFunction("Plain");
  plain.asyncType = &TypeIdentityOf<BindingGenericAsyncEvent>();  // not asynchronous
  for (FunctionRecord* function : {&async, &loose, &plain}) (void)api.AddBinding(*function);
  const ApiDescription& block = api.BuildApiDescription();
  ASSERT_EQ(Copy(block.functionCount), 3u);
  EXPECT_STREQ(block.functions[0].description.asyncType, "BindingGenericAsyncEvent");
  EXPECT_STREQ(block.functions[1].description.asyncType, TypeIdentityOf<Unlisted>().name);
  EXPECT_STREQ(block.functions[2].description.asyncType, "");
}

}  // namespace
}  // namespace Vela
