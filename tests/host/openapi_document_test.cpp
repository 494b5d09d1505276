#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "codecs/json.h"
#include "openapi_document.h"

namespace Vela::Host {
namespace {

// The value at a path of field names; Empty when any is missing.
const BindingProperty& At(const BindingProperty& root, std::initializer_list<std::string_view> path) {
  const BindingProperty* value = &root;
  for (std::string_view name : path) value = &value->FieldOrEmpty(name);
  return *value;
}

// A block of one function, two types and two events, wired as the plugin wires its records.
class OpenApiDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Kind: values registered out of order.
    kindValues_[0] = {&kindValues_[1], "Large", "", 5};
    kindValues_[1] = {&kindValues_[2], "Small", "", 1};
    kindValues_[2] = {nullptr, "Medium", "", 3};
    itemFields_[0] = {&itemFields_[1], "count", "How many", 0, 7, 0, "", 0};
    itemFields_[1] = {&itemFields_[2], "tags", "", 8, 15, 12, "", 0};
    itemFields_[2] = {&itemFields_[3], "data", "", 32, 14, 0, "", 0};
    itemFields_[3] = {&itemFields_[4], "kind", "", 56, 16, 0, "Kind", 0};
    itemFields_[4] = {&itemFields_[5], "note", "", 64, 12, 0, "", 1};
    itemFields_[5] = {nullptr, "byName", "", 96, 19, 8, "", 0};
    types_[0] = {&types_[1], "Item", "", 128, "An item.", nullptr, 0, itemFields_, nullptr, 6};
    types_[1] = {nullptr, "Kind", "", 4, "", nullptr, 0, nullptr, kindValues_, 3};

    arguments_[0] = {&arguments_[1], "id", "The item", 9, 0, "", 0};
    arguments_[1] = {&arguments_[2], "filter", "", 12, 0, "", 1};
    arguments_[2] = {&arguments_[3], "token", "", 12, 0, "", 0};
    arguments_[3] = {nullptr, "item", "", 17, 0, "Item", 0};
    locations_[0] = {&locations_[1], 0};
    locations_[1] = {&locations_[2], 1};
    locations_[2] = {&locations_[3], 4};
    locations_[3] = {nullptr, 5};
    function_.description.name = "PutItemsByRestById";
    function_.description.args = arguments_;
    function_.description.argCount = 4;
    function_.description.returnType = 15;
    function_.description.returnElementType = 17;
    function_.description.returnTypeName = "Item";
    function_.locations = locations_;
    function_.pathTemplate = "/items/{+rest}/{id}";
    function_.method = 7;  // PUT

    events_[0] = {&events_[1], "OnItem", "", "Item", "Fired when an item changes.", nullptr, 0};
    events_[1] = {nullptr, "OnGhost", "", "Ghost", "", nullptr, 0};
    api_ = {&function_, 1, types_, 2, events_, 2};
    document_ = OpenApiDocument(api_, OpenApiInfo{"items", "1.2.3"});
  }

  EnumValueEntry kindValues_[3]{};
  FieldEntry itemFields_[6]{};
  TypeRecord types_[2]{};
  ArgumentEntry arguments_[4]{};
  ParamLocationEntry locations_[4]{};
  RestFunctionRecord function_{};
  EventRecord events_[2]{};
  ApiDescription api_{};
  BindingProperty document_;
};

TEST_F(OpenApiDocumentTest, WritesEachPartAsTheJsonWriterAndTheDispatchGiveIt) {
  constexpr std::string_view kOperation = "/items/{rest}/{id}";
  const struct {
    int line;
    std::initializer_list<std::string_view> path;
    std::string_view json;
  } cases[] = {
      {__LINE__, {"info", "version"}, R"("1.2.3")"},
      // Enumerations by name, in numeric order.
      {__LINE__, {"components", "schemas", "Kind"}, R"({"enum":["Small","Medium","Large"],"type":"string"})"},
      {__LINE__, {"components", "schemas", "Item", "required"}, R"(["count","tags","data","kind","byName"])"},
      {__LINE__, {"components", "schemas", "Item", "additionalProperties"}, "false"},
      {__LINE__, {"components", "schemas", "Item", "properties", "count"},
       R"({"description":"How many","format":"uint32","maximum":4294967295,"minimum":0,"type":"integer"})"},
      {__LINE__, {"components", "schemas", "Item", "properties", "tags"}, R"({"items":{"type":"string"},"type":"array"})"},
      {__LINE__, {"components", "schemas", "Item", "properties", "data"}, R"({"contentEncoding":"base64","type":"string"})"},
      {__LINE__, {"components", "schemas", "Item", "properties", "kind"}, R"({"$ref":"#/components/schemas/Kind"})"},
      // An absent optional member is written as null.
      {__LINE__, {"components", "schemas", "Item", "properties", "note"}, R"({"anyOf":[{"type":"string"},{"type":"null"}]})"},
      {__LINE__, {"components", "schemas", "Item", "properties", "byName"},
       R"({"additionalProperties":{"format":"int64","type":"integer"},"type":"object"})"},
      {__LINE__, {"components", "schemas", "ArxError", "required"}, R"(["httpStatus","message"])"},
      // The reserved placeholder and the location codes: any → path when the template
      // names it; query; header; body as a JSON body's member.
      {__LINE__, {"paths", kOperation, "put", "parameters"},
       R"([{"description":"The item","in":"path","name":"id","required":true,"schema":{"description":"The item","format":"uint64","minimum":0,"type":"integer"}},)"
       R"({"in":"query","name":"filter","required":false,"schema":{"type":"string"}},)"
       R"({"in":"header","name":"token","required":true,"schema":{"type":"string"}},)"
       R"({"in":"path","name":"rest","required":true,"schema":{"type":"string"}}])"},
      {__LINE__, {"paths", kOperation, "put", "requestBody", "content", "application/json", "schema"},
       R"({"properties":{"item":{"$ref":"#/components/schemas/Item"}},"required":["item"],"type":"object"})"},
      {__LINE__, {"paths", kOperation, "put", "responses", "200", "content", "application/json", "schema"},
       R"({"items":{"$ref":"#/components/schemas/Item"},"type":"array"})"},
      {__LINE__, {"paths", kOperation, "put", "responses", "404", "content", "application/json", "schema"},
       R"({"$ref":"#/components/schemas/ArxError"})"},
      {__LINE__, {"paths", kOperation, "put", "operationId"}, R"("PutItemsByRestById")"},
      {__LINE__, {"webhooks", "OnItem", "post", "requestBody", "content", "application/json", "schema"},
       R"({"$ref":"#/components/schemas/Item"})"},
      // A payload type the block does not carry is any value, never a dangling reference.
      {__LINE__, {"webhooks", "OnGhost", "post", "requestBody", "content", "application/json", "schema"}, "{}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(WriteJson(At(document_, c.path)), c.json);
  }
  EXPECT_EQ(At(document_, {"paths"}).size(), 1u);
  EXPECT_EQ(At(document_, {"paths", kOperation}).size(), 1u);
}

TEST_F(OpenApiDocumentTest, AFunctionOfAnyMethodIsAnOperationPerMethod) {
  function_.method = 0;
  const BindingProperty document = OpenApiDocument(api_, OpenApiInfo{"items", "1"});
  const BindingProperty& item = At(document, {"paths", "/items/{rest}/{id}"});
  ASSERT_EQ(item.size(), 5u);
  for (std::string_view method : {"get", "post", "put", "patch", "delete"}) {
    SCOPED_TRACE(method);
    EXPECT_EQ(item.FieldOrEmpty(method).FieldOrEmpty("operationId").GetStringOr({}),
              "PutItemsByRestById_" + std::string(method));
  }
}

}  // namespace
}  // namespace Vela::Host
