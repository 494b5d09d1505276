#include "binding/host_value_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_context.h"
#include "binding/enum_name_lookup.h"
#include "binding/host_value_arena.h"
#include "binding/type_identity.h"
#include "util/allocation.h"
#include "util/packed_copy.h"

namespace Vela {
namespace {

const TypeIdentity kRankType{0x0000BEEF, "Rank"};
const TypeIdentity kOtherType{0x0000CAFE, "Other"};

// Knows the values 0 "IRON" and 1 "GOLD" of kRankType.
class RankNames : public EnumNameLookup {
 public:
  std::optional<std::string_view> NameOfEnumValue(int32_t value,
                                                  const TypeIdentity* type) const override {
    if (type != &kRankType || (value != 0 && value != 1)) return std::nullopt;
    return value == 0 ? "IRON" : "GOLD";
  }
};

// Releases a host value at the end of a test.
struct HostValueHolder {
  HostBindingValue value{};
  ~HostValueHolder() { ReleaseHostValue(value); }
};

HostBindingValue HostOfType(uint32_t type) {
  HostBindingValue value{};
  value.type = type;
  return value;
}

HostBindingValue HostText(uint32_t type, const char* text, uint32_t length) {
  HostBindingValue value = HostOfType(type);
  value.str = {text, length};
  return value;
}

HostBindingValue HostRecord(HostStructEntry* entries, uint32_t count) {
  HostBindingValue value = HostOfType(10);
  value.obj = {entries, count};
  return value;
}

BindingProperty SampleTree() {
  BindingProperty root;
  root.MutableField("flag") = true;
  root.MutableField("signed") = int64_t{-40};
  root.MutableField("unsigned") = uint64_t{18446744073709551615u};
  root.MutableField("float") = 2.25;
  root.MutableField("text") = "hello";
  root.MutableField("empty text") = "";
  root.MutableField("bytes") = std::vector<uint8_t>{0, 255, 7};
  root.MutableField("nothing");
  BindingProperty& list = root.MutableField("list");
  list.Append() = "first";
  list.Append().MutableField("inner") = int64_t{1};
  list.Append().MakeCollection();
  root.MutableField("record").MakeStructure();
  return root;
}

TEST(HostBindingValueTest, ToHostGivesOwnedCopiesInFieldOrder) {
  BindingProperty tree = SampleTree();
  HostValueHolder host;
  ToHostValue(tree, host.value);
  ASSERT_EQ(Copy(host.value.type), 10u);
  ASSERT_EQ(Copy(host.value.obj.len), tree.size());
  std::vector<std::string> keys;
  for (uint32_t i = 0; i < host.value.obj.len; ++i) {
    const HostStructEntry& entry = host.value.obj.ptr[i];
    keys.emplace_back(Copy(entry.key));
    EXPECT_EQ(Copy(entry.keyOwned), 1);
    EXPECT_NE(Copy(entry.key), tree.Fields()[i].name().data());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"bytes", "empty text", "flag", "float", "list",
                                            "nothing", "record", "signed", "text", "unsigned"}));

  // Owned texts and bytes (6, 8), every kind in its code; an empty text is still "".
  std::vector<uint32_t> types;
  for (uint32_t i = 0; i < host.value.obj.len; ++i) types.push_back(Copy(host.value.obj.ptr[i].value.type));
  EXPECT_EQ(types, (std::vector<uint32_t>{8, 6, 1, 4, 9, 0, 10, 2, 6, 3}));
  const HostBindingValue& emptyText = host.value.obj.ptr[1].value;
  ASSERT_NE(Copy(emptyText.str.ptr), nullptr);
  EXPECT_EQ(Copy(emptyText.str.ptr[0]), '\0');
  EXPECT_NE(Copy(host.value.obj.ptr[8].value.str.ptr), tree.FieldOrEmpty("text").GetStringOr({}).data());
}

// A value written in an arena reads as written, survives its writers' releases of parts of
// it, and goes with its chunks (LeakSanitizer sees any left behind); one not handed over is
// emptied with them.
TEST(HostBindingValueTest, ArenaHoldsTheWholeValueUntilReleased) {
  BindingProperty many;  // past the first chunks
  for (int i = 0; i < 2000; ++i) many.Append() = std::string(static_cast<std::size_t>(i % 40), 'x');
  const BindingProperty trees[] = {SampleTree(), many, BindingProperty("x"), BindingProperty(int64_t{5}),
                                   BindingProperty(std::vector<uint8_t>{}), BindingProperty().MakeStructure()};
  for (const BindingProperty& tree : trees) {
    SCOPED_TRACE(tree.AsText());
    for (const bool handOver : {true, false}) {
      HostBindingValue value{};
      {
        HostValueArena arena(value);
        {
          HostValueArena::Scope scope(&arena);
          ToHostValue(tree, value);
          HostBindingValue part{};
          ToHostValue(tree, part);
          ReleaseHostValue(part);  // carved all the same: released with the arena
          EXPECT_EQ(Copy(part.type), 0u);
        }
        EXPECT_EQ(HostValueArena::Current(), nullptr);
        if (handOver) arena.HandOver();
      }
      if (!handOver) {
        EXPECT_EQ(Copy(value.type), 0u);
        continue;
      }
      BindingResult back = FromHostValue(value, "body");
      ASSERT_TRUE(back.ok()) << back.message();
      EXPECT_EQ(back.value(), tree);
      HostValueArena::Release(value);
      EXPECT_EQ(Copy(value.type), 0u);
    }
  }
}

TEST(HostBindingValueTest, EnumsByNameWhenTheLookupKnowsThem) {
  RankNames names;
  struct Case {
    int line;
    BindingEnum value;
    const EnumNameLookup* lookup;
    uint32_t type;
    std::string text;   // for type 6
    int64_t number;     // for type 2
  };
  const Case cases[] = {
      {__LINE__, {1, &kRankType}, &names, 6, "GOLD", 0},
      {__LINE__, {7, &kRankType}, &names, 2, "", 7},        // no such value
      {__LINE__, {1, &kOtherType}, &names, 2, "", 1},       // not registered
      {__LINE__, {1, &kRankType}, nullptr, 2, "", 1},       // no lookup given
      {__LINE__, {-5, &kRankType}, nullptr, 2, "", -5},     // sign-extended
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    HostValueHolder host;
    ToHostValue(BindingProperty(c.value), host.value, c.lookup);
    ASSERT_EQ(Copy(host.value.type), c.type);
    if (c.type == 6) {
      EXPECT_EQ(std::string(host.value.str.ptr, host.value.str.len), c.text);
    } else {
      EXPECT_EQ(Copy(host.value.i), c.number);
    }
  }
}

TEST(HostBindingValueTest, BorrowedTextsAndBytesAreCopied) {
  char text[] = "borrowed";
  uint8_t bytes[] = {1, 2, 3};
  HostBindingValue string = HostText(5, text, 8);
  HostBindingValue blob = HostOfType(7);
  blob.blob = {bytes, 3};

  BindingResult fromString = FromHostValue(string, "p");
  BindingResult fromBlob = FromHostValue(blob, "p");
  text[0] = 'X';
  bytes[0] = 9;
  EXPECT_EQ(fromString.value().GetStringOr({}), "borrowed");
  EXPECT_EQ(fromBlob.value().AsText(), "AQID");

  // Releasing borrowed values frees nothing (ASan would flag freeing these arrays).
  ReleaseHostValue(string);
  ReleaseHostValue(blob);
  EXPECT_EQ(Copy(string.type), 0u);
}

TEST(HostBindingValueTest, LengthWinsOverTheTerminatingZero) {
  const char text[] = "a\0b";
  EXPECT_EQ(FromHostValue(HostText(6, text, 3), "p").value().GetStringOr({}), std::string_view("a\0b", 3));
}

TEST(HostBindingValueTest, NullPointersReadAsNoData) {
  struct Case {
    int line;
    uint32_t type;
    BindingKind kind;
  };
  const Case cases[] = {
      {__LINE__, 5, BindingKind::String},      {__LINE__, 6, BindingKind::String},
      {__LINE__, 7, BindingKind::Blob},        {__LINE__, 8, BindingKind::Blob},
      {__LINE__, 9, BindingKind::Collection},  {__LINE__, 10, BindingKind::Structure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    BindingResult result = FromHostValue(HostText(c.type, nullptr, 100), "p");  // a length without data
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().kind(), c.kind);
    EXPECT_EQ(result.value().size(), 0u);
  }
}

TEST(HostBindingValueTest, ARepeatedKeyKeepsTheLastValue) {
  HostBindingValue first = HostOfType(2);
  first.i = 1;
  const HostBindingValue last = HostText(6, "second", 6);
  HostStructEntry entries[] = {
      {"key", first, 0}, {"other", first, 0}, {"key", first, 0}, {"key", last, 0}, {nullptr, first, 0}};

  BindingResult result = FromHostValue(HostRecord(entries, 5), "p");
  ASSERT_TRUE(result.ok()) << result.message();
  const BindingProperty& value = result.value();
  EXPECT_EQ(value.size(), 3u);  // "", "key", "other"
  EXPECT_EQ(value.FieldOrEmpty("key").GetStringOr({}), "second");
  EXPECT_EQ(value.FieldOrEmpty("").GetSignedOr(0), 1);  // a null key names the empty field
  EXPECT_EQ(value.context()->ReferencesOf("second"), 1u);
}

TEST(HostBindingValueTest, UnknownTypesFailWithThePathAndTypeName) {
  const std::string expected =
      "Couldn't assign value to 'request.body' of type object because the input is of an "
      "incompatible type ''.";
  {
    BindingResult result = FromHostValue(HostOfType(11), "request.body");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.message(), expected);
  }
  {
    // Deep inside a structure inside a collection: still the caller's path.
    HostStructEntry entries[] = {{"ok", HostOfType(0), 0}, {"bad", HostOfType(77), 0}};
    HostBindingValue items[] = {HostOfType(0), HostRecord(entries, 2)};
    HostBindingValue list = HostOfType(9);
    list.col = {items, 2};
    BindingResult result = FromHostValue(list, "request.body");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.message(), expected);
  }
}

TEST(HostBindingValueTest, ReleaseLeavesEmptyAndOwnsOnlyOwnedParts) {
  // Keys marked as not owned stay with their owner (a static text here).
  char* ownedKey = DuplicateText("owned");
  char* ownedText = DuplicateText("x");
  HostStructEntry* entries = static_cast<HostStructEntry*>(Allocate(2 * sizeof(HostStructEntry)));
  entries[0] = {ownedKey, HostText(6, ownedText, 1), 1};
  entries[1] = {"static key", HostText(5, "static text", 11), 0};
  HostBindingValue record = HostRecord(entries, 2);
  ReleaseHostValue(record);  // leaks or bad frees are ASan's to report
  EXPECT_EQ(Copy(record.type), 0u);
  EXPECT_EQ(Copy(record.obj.ptr), nullptr);
}

TEST(HostBindingValueTest, StoreResultOfAValueOrAFailure) {
  HostResultHead ok{};
  ok.error = reinterpret_cast<char*>(0x1);  // overwritten
  ok.errorOwned = 1;
  StoreResultInHostRecord(ok, BindingResult(BindingProperty("answer")));
  EXPECT_STREQ(Copy(ok.value.str.ptr), "answer");
  EXPECT_EQ(Copy(ok.error), nullptr);
  EXPECT_EQ(Copy(ok.errorOwned), 0);
  ReleaseHostValue(ok.value);

  BindingResult result = BindingResult::FromFailure("Not found");
  HostResultHead head{};
  head.value.type = 2;
  StoreResultInHostRecord(head, result);
  EXPECT_EQ(Copy(head.value.type), 0u);
  ASSERT_NE(Copy(head.error), nullptr);
  EXPECT_STREQ(Copy(head.error), "Not found");
  EXPECT_EQ(Copy(head.errorOwned), 1);
  Free(head.error);
}

}  // namespace
}  // namespace Vela
