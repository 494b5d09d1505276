// Copies, moves and assignments between values of one tree and of different trees.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "binding/binding_context.h"
#include "binding/binding_property.h"
#include "binding/page_source.h"

namespace Vela {
namespace {

BindingProperty SampleTree(const std::string& tag) {
  BindingProperty root;
  root.MutableField("tag") = tag;
  BindingProperty& list = root.MutableField("list");
  for (int i = 0; i < 5; ++i) {
    list.Append().MutableField("index") = i;
  }
  list.Append() = std::vector<uint8_t>{1, 2};
  root.MutableField("nested").MutableField("deeper").MutableField("text") = tag + " inside";
  return root;
}

TEST(BindingLifetimeTest, SelfAssignmentLeavesTheValueUnchanged) {
  BindingProperty value = SampleTree("self");
  const BindingProperty expected = value;
  const std::size_t slots = value.context()->SlotsInUse();
  BindingProperty& alias = value;
  value = alias;
  EXPECT_EQ(value, expected);
  value = std::move(alias);
  EXPECT_EQ(value, expected);
  EXPECT_EQ(value.context()->SlotsInUse(), slots);
}

TEST(BindingLifetimeTest, MovingBetweenRootsExchangesAndResetsTheSource) {
  BindingProperty target = SampleTree("target");
  BindingProperty source = SampleTree("source");
  const BindingContext* sourceContext = source.context();
  const BindingContext* targetContext = target.context();
  const BindingProperty expected = source;

  target = std::move(source);
  EXPECT_EQ(target, expected);
  EXPECT_EQ(target.context(), sourceContext);  // taken over, not copied
  EXPECT_TRUE(source.IsEmpty());
  // The source keeps the target's former context, emptied.
  EXPECT_EQ(source.context(), targetContext);
  EXPECT_EQ(targetContext->SlotsInUse(), 0u);
  EXPECT_EQ(targetContext->InternedCount(), 0u);
}

TEST(BindingLifetimeTest, MovingARootIntoAnElementCopiesIntoTheParentContext) {
  BindingProperty parent;
  parent.MutableField("keep") = 1;
  BindingProperty child = SampleTree("child");
  const BindingProperty expected = child;

  BindingProperty& slot = parent.MutableField("child");
  slot = std::move(child);
  EXPECT_EQ(parent.FieldOrEmpty("child"), expected);
  EXPECT_FALSE(parent.FieldOrEmpty("child").ownsContext());
  EXPECT_TRUE(child.IsEmpty());
  // Every node of the moved tree now lives in the parent's context.
  EXPECT_EQ(parent.context()->ReferencesOf("child inside"), 1u);
  EXPECT_EQ(child.context()->SlotsInUse(), 0u);
  // Destroying the former root must not disturb the parent.
  { BindingProperty gone = std::move(child); }
  EXPECT_EQ(parent.FieldOrEmpty("child"), expected);
}

TEST(BindingLifetimeTest, MovingAnElementOutCopiesIntoANewContext) {
  BindingProperty tree = SampleTree("t");
  BindingProperty nested = std::move(tree.MutableField("nested"));
  EXPECT_TRUE(nested.ownsContext());
  EXPECT_NE(nested.context(), tree.context());
  EXPECT_EQ(nested.FieldOrEmpty("deeper").FieldOrEmpty("text").GetStringOr({}), "t inside");
  EXPECT_TRUE(tree.FieldOrEmpty("nested").IsEmpty());  // reset, still present
  EXPECT_EQ(tree.context()->ReferencesOf("t inside"), 0u);
}

TEST(BindingLifetimeTest, MovingWithinOneTreeRelocatesWithoutCopying) {
  BindingProperty tree = SampleTree("t");
  // The new field first: inserting a field moves the others. Whether the grown field array
  // stays a pool slot or becomes a heap node depends on the pointer width, so the move is
  // measured from the tree as it is after the insertion.
  BindingProperty& moved = tree.MutableField("moved");
  const BindingContext& context = *tree.context();
  const std::size_t slots = context.SlotsInUse();
  const std::size_t bytes = context.BytesInUse();
  moved = std::move(tree.MutableField("nested"));
  EXPECT_EQ(tree.FieldOrEmpty("moved").FieldOrEmpty("deeper").FieldOrEmpty("text").GetStringOr({}),
            "t inside");
  EXPECT_TRUE(tree.FieldOrEmpty("nested").IsEmpty());
  // No node was duplicated or freed, pooled or on the heap, and no text gained a reference.
  EXPECT_EQ(context.SlotsInUse(), slots);
  EXPECT_EQ(context.BytesInUse(), bytes);
  EXPECT_EQ(context.ReferencesOf("t inside"), 1u);
  EXPECT_EQ(context.ReferencesOf("deeper"), 1u);
}

TEST(BindingLifetimeTest, AssigningADescendantToItsAncestor) {
  {
    BindingProperty tree = SampleTree("t");
    tree = tree.FieldOrEmpty("nested");  // copy from inside the target
    EXPECT_EQ(tree.FieldOrEmpty("deeper").FieldOrEmpty("text").GetStringOr({}), "t inside");
    EXPECT_EQ(tree.size(), 1u);
  }
  {
    BindingProperty tree = SampleTree("t");
    tree = std::move(tree.MutableField("nested"));  // move from inside the target
    EXPECT_EQ(tree.FieldOrEmpty("deeper").FieldOrEmpty("text").GetStringOr({}), "t inside");
    EXPECT_EQ(tree.context()->ReferencesOf("tag"), 0u);
  }
  {
    BindingProperty tree = SampleTree("t");
    BindingProperty& list = tree.MutableField("list");
    list = list.ElementOrEmpty(2);
    EXPECT_EQ(tree.FieldOrEmpty("list").FieldOrEmpty("index").GetSignedOr(-1), 2);
  }
}

TEST(BindingLifetimeTest, AssigningAnAncestorToItsDescendant) {
  {
    BindingProperty tree = SampleTree("t");
    const BindingProperty before = tree;
    BindingProperty& inner = tree.MutableField("nested").MutableField("deeper");
    inner = tree;  // a copy of the whole tree as it was, no cycle
    EXPECT_EQ(tree.FieldOrEmpty("nested").FieldOrEmpty("deeper").FieldOrEmpty("tag"),
              before.FieldOrEmpty("tag"));
    EXPECT_EQ(tree.FieldOrEmpty("nested").FieldOrEmpty("deeper").FieldOrEmpty("list"),
              before.FieldOrEmpty("list"));
  }
  {
    // Moving a value into its own descendant: the source is reset, which takes the
    // destination with it.
    BindingProperty tree = SampleTree("t");
    BindingProperty& nested = tree.MutableField("nested");
    nested.MutableField("deeper") = std::move(nested);
    EXPECT_TRUE(tree.FieldOrEmpty("nested").IsEmpty());
  }
  {
    BindingProperty tree = SampleTree("t");
    tree.MutableField("nested").MutableField("deeper") = std::move(tree);
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.context()->SlotsInUse(), 0u);
  }
}

}  // namespace
}  // namespace Vela
