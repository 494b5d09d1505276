// Documents nested a million levels deep: every tree walk must work without recursion,
// or these tests overflow the stack.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "binding/binding_context.h"
#include "binding/binding_property.h"
#include "binding/binding_visitor.h"
#include "binding/host_value_conversion.h"
#include "binding/page_source.h"

namespace Vela {
namespace {

constexpr std::size_t kDepth = 1000000;

// [[[...[leaf]...]]]: built iteratively, kDepth collections deep.
void BuildDeepCollection(BindingProperty& root, std::size_t depth, int64_t leaf) {
  BindingProperty* level = &root;
  for (std::size_t i = 0; i < depth; ++i) {
    level = &level->Append();
  }
  *level = leaf;
}

// Collections and single-field structures in turn.
void BuildDeepMixed(BindingProperty& root, std::size_t depth) {
  BindingProperty* level = &root;
  for (std::size_t i = 0; i < depth; ++i) {
    level = (i % 2 == 0) ? &level->Append() : &level->MutableField("f");
  }
  *level = "leaf";
}

const BindingProperty& Deepest(const BindingProperty& root) {
  const BindingProperty* level = &root;
  while (level->kind() == BindingKind::Collection || level->kind() == BindingKind::Structure) {
    level = level->kind() == BindingKind::Collection ? &level->ElementOrEmpty(0)
                                                     : &level->Fields()[0].value();
  }
  return *level;
}

class DeepTreeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tree_ = new BindingProperty();
    BuildDeepCollection(*tree_, kDepth, 42);
  }
  static void TearDownTestSuite() {
    delete tree_;  // destruction of a million levels
    tree_ = nullptr;
  }
  static BindingProperty* tree_;
};

BindingProperty* DeepTreeTest::tree_ = nullptr;

TEST_F(DeepTreeTest, DestructionAndResetReturnEverything) {
  const std::size_t pagesBefore = PageSource::Instance().PagesOutstanding();
  {
    BindingProperty local;
    BuildDeepMixed(local, kDepth);
    EXPECT_GT(PageSource::Instance().PagesOutstanding(), pagesBefore);
    local.Reset();
    EXPECT_EQ(local.context()->SlotsInUse(), 0u);
    EXPECT_EQ(local.context()->PagesHeld(), 0u);
    BuildDeepCollection(local, kDepth, 1);
  }  // destroyed while full
  EXPECT_EQ(PageSource::Instance().PagesOutstanding(), pagesBefore);
}

TEST_F(DeepTreeTest, CopyAndEquality) {
  BindingProperty copy(*tree_);
  EXPECT_EQ(Deepest(copy).GetSignedOr(0), 42);
  EXPECT_TRUE(copy == *tree_);

  // A difference at the very bottom is found.
  BindingProperty* level = &copy;
  while (level->kind() == BindingKind::Collection) {
    level = &level->MutableElement(0);
  }
  *level = 43;
  EXPECT_FALSE(copy == *tree_);
}

// Counts events and tracks the nesting it is told about.
class DepthVisitor : public BindingVisitor {
 public:
  std::size_t depth = 0;
  std::size_t maxDepth = 0;
  std::size_t elements = 0;
  int64_t leaf = 0;

  void Null() override {}
  void Bool(bool) override {}
  void Signed(int64_t value) override { leaf = value; }
  void Unsigned(uint64_t) override {}
  void Double(double) override {}
  void String(std::string_view) override {}
  void Blob(std::span<const uint8_t>) override {}
  void Enum(BindingEnum) override {}
  void StartArray(std::size_t) override { Open(); }
  void BeginElement() override { ++elements; }
  void EndElement() override {}
  void EndArray() override { --depth; }
  void StartObject(std::size_t) override { Open(); }
  void Key(std::string_view) override {}
  void EndField() override {}
  void EndObject() override { --depth; }

 private:
  void Open() {
    if (++depth > maxDepth) {
      maxDepth = depth;
    }
  }
};

TEST_F(DeepTreeTest, WalkBinding) {
  DepthVisitor visitor;
  WalkBinding(*tree_, visitor);
  EXPECT_EQ(visitor.maxDepth, kDepth);
  EXPECT_EQ(visitor.depth, 0u);
  EXPECT_EQ(visitor.elements, kDepth);
  EXPECT_EQ(visitor.leaf, 42);
}

TEST_F(DeepTreeTest, HostValueRoundTripAndRelease) {
  HostBindingValue host{};
  ToHostValue(*tree_, host);
  std::size_t depth = 0;
  for (const HostBindingValue* level = &host; level->type == 9; level = level->col.ptr) {
    const uint32_t count = level->col.len;  // packed: read by value
    ASSERT_EQ(count, 1u);
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);

  BindingResult back = FromHostValue(host, "deep");
  ReleaseHostValue(host);
  const uint32_t typeAfterRelease = host.type;
  EXPECT_EQ(typeAfterRelease, 0u);
  ASSERT_TRUE(back.ok()) << back.message();
  EXPECT_TRUE(back.value() == *tree_);
}

TEST_F(DeepTreeTest, FailureAtTheBottomOfADeepHostValue) {
  // A million nested host collections ending in an unknown type.
  auto levels = std::make_unique<HostBindingValue[]>(kDepth + 1);
  for (std::size_t i = 0; i < kDepth; ++i) {
    levels[i].type = 9;
    levels[i].col.ptr = &levels[i + 1];
    levels[i].col.len = 1;
  }
  levels[kDepth].type = 12;
  BindingResult result = FromHostValue(levels[0], "deep");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.message(),
            "Couldn't assign value to 'deep' of type object because the input is of an "
            "incompatible type ''.");
}

}  // namespace
}  // namespace Vela
