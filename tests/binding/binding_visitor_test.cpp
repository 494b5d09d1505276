#include "binding/binding_visitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/type_identity.h"

namespace Vela {
namespace {

const TypeIdentity kRankType{0x0000BEEF, "Rank"};

// Writes every call as a short token.
class RecordingVisitor : public BindingVisitor {
 public:
  std::string events;

  void Null() override { Add("null"); }
  void Bool(bool value) override { Add(value ? "true" : "false"); }
  void Signed(int64_t value) override { Add("i" + std::to_string(value)); }
  void Unsigned(uint64_t value) override { Add("u" + std::to_string(value)); }
  void Double(double value) override { Add("d" + std::to_string(value)); }
  void String(std::string_view text) override { Add("s'" + std::string(text) + "'"); }
  void Blob(std::span<const uint8_t> bytes) override { Add("b" + std::to_string(bytes.size())); }
  void Enum(BindingEnum value) override {
    Add("e" + std::to_string(value.value) + (value.type == &kRankType ? "Rank" : "?"));
  }
  void StartArray(std::size_t count) override { Add("[" + std::to_string(count)); }
  void BeginElement() override { Add("<"); }
  void EndElement() override { Add(">"); }
  void EndArray() override { Add("]"); }
  void StartObject(std::size_t count) override { Add("{" + std::to_string(count)); }
  void Key(std::string_view name) override { Add("k'" + std::string(name) + "'"); }
  void EndField() override { Add(";"); }
  void EndObject() override { Add("}"); }

 private:
  void Add(const std::string& token) {
    if (!events.empty()) {
      events += ' ';
    }
    events += token;
  }
};

std::string Walk(const BindingProperty& value) {
  RecordingVisitor visitor;
  WalkBinding(value, visitor);
  return visitor.events;
}

TEST(BindingVisitorTest, Scalars) {
  struct Case {
    int line;
    BindingProperty value;
    std::string events;
  };
  const Case cases[] = {
      {__LINE__, BindingProperty(), "null"},
      {__LINE__, BindingProperty(false), "false"},
      {__LINE__, BindingProperty(int64_t{-2}), "i-2"},
      {__LINE__, BindingProperty(uint64_t{2}), "u2"},
      {__LINE__, BindingProperty(0.5), "d0.500000"},
      {__LINE__, BindingProperty("x"), "s'x'"},
      {__LINE__, BindingProperty(std::vector<uint8_t>{1, 2}), "b2"},
      {__LINE__, BindingProperty(BindingEnum{3, &kRankType}), "e3Rank"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Walk(c.value), c.events);
  }
}

TEST(BindingVisitorTest, ContainersBracketEveryChild) {
  BindingProperty root;
  root.MutableField("b") = 1;
  root.MutableField("B").Append() = "x";
  root.MutableField("B").Append().MakeStructure();
  root.MutableField("a").MakeCollection();
  EXPECT_EQ(Walk(root),
            "{3 k'B' [2 < s'x' > < {0 } > ] ; k'a' [0 ] ; k'b' i1 ; }");
}

}  // namespace
}  // namespace Vela
