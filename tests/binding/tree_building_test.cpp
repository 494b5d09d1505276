// Native records written into their tree in place: nested structures, containers,
// optionals and texts are built in the root's tree, and what comes out is exactly the tree
// the conversion has always produced (fields in name order, skipped defaults left out,
// first failure reported). Written straight in the host form, they give the bytes of that
// tree's host value.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_context.h"
#include "binding/conversion_matchers.h"
#include "binding/host_value_conversion.h"
#include "binding/native_type.h"
#include "binding/native_type_builder.h"

namespace Vela::TreeBuildingTest {

enum class Tier : int32_t { Unranked = 0, Gold = 3 };

struct Leaf {
  std::string text;
  Tier tier = Tier::Unranked;
};

struct Branch {
  std::string name;
  Leaf leaf;
  std::vector<Leaf> leaves;
  std::map<std::string, Leaf> byName;
  std::optional<Leaf> maybe;
  std::vector<std::string> words;
  BindingProperty free;
  std::vector<uint8_t> bytes;
  double ratio = 0.0;
  std::string skippedText;   // left out when empty
  std::vector<Leaf> skippedLeaves;  // left out when empty
  Leaf skippedLeaf;          // a structure is never of size 0 here: always written
};

struct Trunk {
  std::vector<Branch> branches;
  std::optional<Branch> extra;
};

// Two records of the same name: the later one overwrites, unless it is skipped as default.
struct Twice {
  int32_t first = 0;
  int32_t second = 0;
};

// Every field left out when default, registered out of name order.
struct Sparse {
  int32_t count = 0;
  Tier tier = Tier::Unranked;
  std::optional<std::string> note;
};

// Registered before Leaf: its fields have no TypeInfo and cannot be converted.
struct Late {
  Leaf leaf;
};
struct HoldsLate {
  std::string before;
  std::vector<Late> lates;
};

}  // namespace Vela::TreeBuildingTest

VELA_STATIC_TYPE(Vela::TreeBuildingTest::Tier);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Leaf);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Branch);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Trunk);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Twice);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Sparse);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::Late);
VELA_STATIC_TYPE(Vela::TreeBuildingTest::HoldsLate);

namespace Vela {
namespace {

using namespace TreeBuildingTest;

// A converter that only knows how to make a tree of its own: the field goes through the
// interface's default ToBindingInto.
class RootOnlyTextConverter final : public BindingConverter {
 public:
  void FromBinding(BindingResult&, void*, const BindingProperty&, std::string_view,
                   const TypeInfo*, const BindingRegistry&) const override {}
  void ToBinding(BindingResult& result, const void* source, const TypeInfo*,
                 const BindingRegistry&) const override {
    const auto& text = *static_cast<const std::string*>(source);
    if (text == "fail") {
      result.SetFailure("root-only converter failed");
      return;
    }
    result.SetValue(BindingProperty("<" + text + ">"));
  }
};

class TreeBuildingTest : public ::testing::Test {
 protected:
  TreeBuildingTest() {
    RegisterStruct<Late>(registry_, "Late").Field("leaf", &Late::leaf);
    RegisterEnum<Tier>(registry_, "Tier").Value("Unranked", Tier::Unranked).Value("Gold", Tier::Gold);
    RegisterStruct<Leaf>(registry_, "Leaf").Field("text", &Leaf::text).Field("tier", &Leaf::tier);
    RegisterStruct<Branch>(registry_, "Branch")
        .Field("name", &Branch::name)
        .Field("leaf", &Branch::leaf)
        .Field("leaves", &Branch::leaves)
        .Field("byName", &Branch::byName)
        .Field("maybe", &Branch::maybe)
        .Field("words", &Branch::words)
        .Field("free", &Branch::free)
        .Field("bytes", &Branch::bytes)
        .Field("ratio", &Branch::ratio)
        .FieldSkippedWhenDefault("skippedText", &Branch::skippedText)
        .FieldSkippedWhenDefault("skippedLeaves", &Branch::skippedLeaves)
        .FieldSkippedWhenDefault("skippedLeaf", &Branch::skippedLeaf);
    RegisterStruct<Trunk>(registry_, "Trunk")
        .Field("branches", &Trunk::branches)
        .Field("extra", &Trunk::extra);
    RegisterStruct<Twice>(registry_, "Twice")
        .Field("same", &Twice::first)
        .FieldSkippedWhenDefault("same", &Twice::second);
    RegisterStruct<HoldsLate>(registry_, "HoldsLate")
        .Field("before", &HoldsLate::before)
        .Field("lates", &HoldsLate::lates);
    RegisterStruct<Sparse>(registry_, "Sparse")
        .FieldSkippedWhenDefault("zeta", &Sparse::count)
        .FieldSkippedWhenDefault("alpha", &Sparse::tier)
        .FieldSkippedWhenDefault("mid", &Sparse::note);
  }

  // Every byte the host reads of a value, pointers as null or not.
  static std::string Dump(const HostBindingValue& value) {
    std::string out = "(" + std::to_string(value.type);
    switch (static_cast<HostValueType>(value.type)) {
      case HostValueType::Bool:
        out += " " + std::to_string(value.b);
        break;
      case HostValueType::Signed:
      case HostValueType::Unsigned:
      case HostValueType::Double:
        out += " " + std::to_string(value.u);
        break;
      case HostValueType::StringOwned:
        out += value.str.ptr == nullptr ? " null" : " '" + std::string(value.str.ptr, value.str.len + 1) + "'";
        break;
      case HostValueType::BlobOwned:
        out += value.blob.ptr == nullptr ? " null" : " " + std::string(value.blob.ptr, value.blob.ptr + value.blob.len);
        break;
      case HostValueType::Collection:
        out += value.col.ptr == nullptr ? " null" : "";
        for (uint32_t i = 0; i < value.col.len; ++i) out += " " + Dump(value.col.ptr[i]);
        break;
      case HostValueType::Structure:
        out += value.obj.ptr == nullptr ? " null" : "";
        for (uint32_t i = 0; i < value.obj.len; ++i) {
          const HostStructEntry& entry = value.obj.ptr[i];
          out += " " + std::string(entry.key) + "/" + std::to_string(entry.keyOwned) + "=" + Dump(entry.value);
        }
        break;
      default:
        break;
    }
    return out + ")";
  }

  // Writes `value` straight in the host form and through its tree, with and without enum
  // names: the same bytes, or the same failure with nothing written.
  template <typename T>
  void ExpectSameHostValue(const T& value) {
    for (const EnumNameLookup* enums : {static_cast<const EnumNameLookup*>(&registry_),
                                        static_cast<const EnumNameLookup*>(nullptr)}) {
      SCOPED_TRACE(enums == nullptr ? "numbers" : "names");
      BindingResult tree = ToBinding(value, registry_);
      BindingResult status = BindingResult::Ok();
      HostBindingValue direct;
      ToHostValueFromNative(status, direct, value, registry_, enums);
      if (!tree.ok()) {
        EXPECT_THAT(status, FailsWith(tree.message()));
        EXPECT_EQ(direct.type, static_cast<uint32_t>(HostValueType::Empty));
        continue;
      }
      ASSERT_TRUE(status.ok()) << status.message();
      HostBindingValue expected;
      ToHostValue(tree.value(), expected, enums);
      EXPECT_EQ(Dump(direct), Dump(expected));
      ReleaseHostValue(direct);
      ReleaseHostValue(expected);
    }
  }

  static BindingProperty LeafTree(std::string_view text, int32_t tier) {
    BindingProperty leaf;
    leaf.MutableField("text") = text;
    leaf.MutableField("tier") = BindingEnum{tier, &TypeIdentityOf<Tier>()};
    return leaf;
  }

  // Every node below `value` belongs to `context` and owns none.
  static void ExpectSharesContext(const BindingProperty& value, const BindingContext* context) {
    for (const BindingField& field : value.Fields()) {
      SCOPED_TRACE(std::string(field.name()));
      EXPECT_FALSE(field.value().ownsContext());
      if (!field.value().IsEmpty() && field.value().kind() > BindingKind::Float) {
        EXPECT_EQ(field.value().context(), context);
      }
      ExpectSharesContext(field.value(), context);
    }
    for (const BindingProperty& element : value.Elements()) {
      EXPECT_FALSE(element.ownsContext());
      if (element.kind() > BindingKind::Float) {
        EXPECT_EQ(element.context(), context);
      }
      ExpectSharesContext(element, context);
    }
  }

  BindingRegistry registry_;
};

TEST_F(TreeBuildingTest, NestedRecordsMakeTheSameTreeAsBuiltByHand) {
  Branch full;
  full.name = "oak";
  full.leaf = Leaf{"first", Tier::Gold};
  full.leaves = {Leaf{"a", Tier::Unranked}, Leaf{"b", Tier::Gold}};
  full.byName = {{"z", Leaf{"last", Tier::Gold}}, {"m", Leaf{"mid", Tier::Unranked}}};
  full.maybe = Leaf{"maybe", Tier::Gold};
  full.words = {"one", "", "one"};
  full.free.MutableField("nested").Append() = "free";
  full.bytes = {1, 2, 3};
  full.ratio = 0.5;
  full.skippedText = "kept";
  full.skippedLeaves = {Leaf{"s", Tier::Gold}};

  Trunk trunk;
  trunk.branches = {full, Branch{}};
  trunk.extra = full;

  BindingProperty fullTree;
  fullTree.MutableField("name") = "oak";
  fullTree.MutableField("leaf") = LeafTree("first", 3);
  fullTree.MutableField("leaves").Append() = LeafTree("a", 0);
  fullTree.MutableField("leaves").Append() = LeafTree("b", 3);
  fullTree.MutableField("byName").MutableField("z") = LeafTree("last", 3);
  fullTree.MutableField("byName").MutableField("m") = LeafTree("mid", 0);
  fullTree.MutableField("maybe") = LeafTree("maybe", 3);
  for (const char* word : {"one", "", "one"}) fullTree.MutableField("words").Append() = word;
  fullTree.MutableField("free").MutableField("nested").Append() = "free";
  fullTree.MutableField("bytes") = std::vector<uint8_t>{1, 2, 3};
  fullTree.MutableField("ratio") = 0.5;
  fullTree.MutableField("skippedText") = "kept";
  fullTree.MutableField("skippedLeaves").Append() = LeafTree("s", 3);
  fullTree.MutableField("skippedLeaf") = LeafTree("", 0);

  // The empty branch: empty containers and texts are written, absent optionals Empty,
  // skipped defaults left out.
  BindingProperty emptyTree;
  emptyTree.MutableField("name") = "";
  emptyTree.MutableField("leaf") = LeafTree("", 0);
  emptyTree.MutableField("leaves").MakeCollection();
  emptyTree.MutableField("byName").MakeStructure();
  emptyTree.MutableField("maybe");
  emptyTree.MutableField("words").MakeCollection();
  emptyTree.MutableField("free");
  emptyTree.MutableField("bytes") = std::span<const uint8_t>{};
  emptyTree.MutableField("ratio") = 0.0;
  emptyTree.MutableField("skippedLeaf") = LeafTree("", 0);

  BindingProperty expected;
  expected.MutableField("branches").Append() = fullTree;
  expected.MutableField("branches").Append() = emptyTree;
  expected.MutableField("extra") = fullTree;

  BindingResult out = ToBinding(trunk, registry_);
  ASSERT_TRUE(out.ok()) << out.message();
  EXPECT_EQ(out.value(), expected);
  EXPECT_TRUE(out.value().ownsContext());
  ExpectSharesContext(out.value(), out.value().context());

  // The same records converted on their own (vector, map and optional at the top).
  EXPECT_THAT(ToBinding(trunk.branches, registry_), HoldsValue(expected.FieldOrEmpty("branches")));
  EXPECT_THAT(ToBinding(full.byName, registry_), HoldsValue(fullTree.FieldOrEmpty("byName")));
  EXPECT_THAT(ToBinding(trunk.extra, registry_), HoldsValue(fullTree));
  EXPECT_THAT(ToBinding(std::optional<Branch>{}, registry_), HoldsValue(BindingProperty()));

  ExpectSameHostValue(trunk);
  ExpectSameHostValue(trunk.branches);
  ExpectSameHostValue(full.byName);
  ExpectSameHostValue(std::optional<Branch>{});
}

TEST_F(TreeBuildingTest, HostFormWrittenDirectlyIsTheTreesHostForm) {
  std::string withNul("a\0b", 3);
  Branch branch;
  branch.name = withNul;
  branch.byName = {{withNul, Leaf{"x", Tier::Gold}}, {"\xC3\xA9", Leaf{}}, {"B", Leaf{}}, {"", Leaf{}}};
  branch.words = {withNul};
  branch.free = int64_t{-3};
  branch.ratio = -0.0;
  HoldsLate late;
  late.lates.resize(1);

  ExpectSameHostValue(branch);
  ExpectSameHostValue(std::map<std::string, std::optional<Leaf>>{{"absent", std::nullopt}, {"a", Leaf{}}});
  ExpectSameHostValue(std::vector<std::optional<Tier>>{Tier::Gold, std::nullopt, static_cast<Tier>(7)});
  ExpectSameHostValue(std::vector<bool>{true, false});
  for (const Sparse& sparse : {Sparse{}, Sparse{1, Tier::Unranked, std::nullopt},
                               Sparse{0, Tier::Gold, ""}, Sparse{0, static_cast<Tier>(7), "n"},
                               Sparse{2, Tier::Gold, "n"}}) {
    SCOPED_TRACE(sparse.count);
    ExpectSameHostValue(sparse);
    ExpectSameHostValue(std::vector<Sparse>{sparse, sparse});
  }
  ExpectSameHostValue(late);
  ExpectSameHostValue(std::map<std::string, HoldsLate>{{"a", HoldsLate{}}, {"b", late}});
  ExpectSameHostValue(std::vector<HoldsLate>{HoldsLate{}, late});
}

TEST_F(TreeBuildingTest, SecondRecordOfOneNameOverwritesUnlessSkipped) {
  struct Row {
    int line;
    Twice record;
    BindingProperty expected;
  };
  const Row rows[] = {
      {__LINE__, Twice{7, 0}, BindingProperty(int64_t{7})},  // default second: first stays
      {__LINE__, Twice{7, 9}, BindingProperty(int64_t{9})},
      {__LINE__, Twice{0, 0}, BindingProperty(int64_t{0})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    BindingResult out = ToBinding(row.record, registry_);
    ASSERT_TRUE(out.ok()) << out.message();
    EXPECT_EQ(out.value().size(), 1u);
    EXPECT_EQ(out.value().FieldOrEmpty("same"), row.expected);
    ExpectSameHostValue(row.record);
  }
}

TEST_F(TreeBuildingTest, FailureDeepInsideFailsTheWholeConversion) {
  const std::string unregistered =
      "Couldn't convert native value because it's an unregistered structure.";
  HoldsLate holder;
  holder.before = "text already written";
  holder.lates.resize(2);
  EXPECT_THAT(ToBinding(holder, registry_), FailsWith(unregistered));
  EXPECT_THAT(ToBinding(std::vector<HoldsLate>{HoldsLate{}, holder}, registry_),
              FailsWith(unregistered));
  EXPECT_THAT(ToBinding(std::map<std::string, HoldsLate>{{"a", HoldsLate{}}, {"b", holder}},
                        registry_),
              FailsWith(unregistered));
  EXPECT_THAT(ToBinding(std::optional<HoldsLate>{holder}, registry_), FailsWith(unregistered));
  holder.lates.clear();
  EXPECT_TRUE(ToBinding(holder, registry_).ok());
}

TEST_F(TreeBuildingTest, ConverterWithoutInPlaceWritingGoesThroughItsOwnTree) {
  struct Holder {
    std::string shown;
    int32_t after = 0;
  };
  static constexpr TypeIdentity kHolderIdentity{0x7EE0B11Du, "#7EE0B11D"};
  TypeBuilder builder = registry_.RegisterType("RootOnlyHolder", sizeof(Holder), kHolderIdentity,
                                               false);
  FieldDefinition shown;
  shown.name = "shown";
  shown.offset = detail::MemberOffset(&Holder::shown);
  shown.typeIdentity = &TypeIdentityOf<std::string>();
  shown.type = DescribeNativeType<std::string>(registry_);
  shown.converter = std::make_unique<RootOnlyTextConverter>();
  builder.AddField(std::move(shown));
  FieldDefinition after;
  after.name = "after";
  after.offset = detail::MemberOffset(&Holder::after);
  after.typeIdentity = &TypeIdentityOf<int32_t>();
  after.type = DescribeNativeType<int32_t>(registry_);
  after.converter = MakeConverter<int32_t>();
  builder.AddField(std::move(after));
  const TypeInfo* info = builder.info();

  struct Row {
    int line;
    std::string shown;
    std::string failure;  // empty: converts
  };
  const Row rows[] = {
      {__LINE__, "x", ""},
      {__LINE__, "", ""},
      {__LINE__, "fail", "root-only converter failed"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Holder holder{row.shown, 4};
    BindingResult out = BindingResult::Ok();
    StructToBinding(out, &holder, info, registry_);
    BindingResult direct = BindingResult::Ok();
    HostBindingValue host;
    std::memset(static_cast<void*>(&host), 0, sizeof host);
    StructToHostInto(direct, host, &holder, info, registry_, nullptr);
    if (!row.failure.empty()) {
      EXPECT_THAT(out, FailsWith(row.failure));
      EXPECT_THAT(direct, FailsWith(row.failure));
      ReleaseHostValue(host);
      continue;
    }
    ASSERT_TRUE(direct.ok()) << direct.message();
    HostBindingValue expectedHost;
    ToHostValue(out.value(), expectedHost, nullptr);
    EXPECT_EQ(Dump(host), Dump(expectedHost));
    ReleaseHostValue(host);
    ReleaseHostValue(expectedHost);
    BindingProperty expected;
    expected.MutableField("shown") = "<" + row.shown + ">";
    expected.MutableField("after") = int64_t{4};
    EXPECT_THAT(out, HoldsValue(expected));
    ExpectSharesContext(out.value(), out.value().context());
  }
}

}  // namespace
}  // namespace Vela
