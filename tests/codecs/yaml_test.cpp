// Loading YAML into BindingProperty: scalar resolution, tags, keys, repeated keys, anchors
// and aliases, every failure with its line and column, limits and truncated input.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <regex>
#include <string>
#include <string_view>
#include <utility>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "binding/binding_property.h"
#include "binding/conversion_matchers.h"
#include "binding/property_builders.h"
#include "codecs/yaml.h"
#include "util/allocation.h"
#include "util/full_regex_matcher.h"

namespace Vela {
namespace {

struct ValueCase {
  int line;
  std::string_view text;
  BindingProperty expected;
};

void ExpectLoads(const ValueCase& c) {
  SCOPED_TRACE(c.line);
  BindingResult result = YamlLoad(c.text);
  EXPECT_THAT(result, HoldsValue(c.expected));
  // Kind-exact: Unsigned 1 is not Signed 1 nor Float 1.0.
  EXPECT_EQ(result.value().kind(), c.expected.kind());
}

TEST(YamlLoadTest, ResolvesPlainScalars) {
  const ValueCase cases[] = {
      {__LINE__, "", BindingProperty()},
      {__LINE__, "~", BindingProperty()},
      {__LINE__, "null", BindingProperty()},
      {__LINE__, "nULL", "nULL"},
      // Numbers: whole ones are integers whatever their spelling.
      {__LINE__, "0", uint64_t{0}},
      {__LINE__, "+5", uint64_t{5}},
      {__LINE__, "1.0", uint64_t{1}},
      {__LINE__, "0x1F", uint64_t{31}},
      {__LINE__, "-0", uint64_t{0}},
      {__LINE__, "-2", int64_t{-2}},
      {__LINE__, ".5", 0.5},
      {__LINE__, "9223372036854775807", uint64_t{9223372036854775808u}},  // rounds to 2^63
      {__LINE__, "12345678901234567890", uint64_t{12345678901234567168u}},  // through the top bit
      {__LINE__, "-9223372036854775808", std::numeric_limits<int64_t>::min()},
      // Beyond the 64-bit ranges a whole number stays Float.
      {__LINE__, "18446744073709551616", 18446744073709551616.0},
      // Infinities and NaN are texts.
      {__LINE__, "inf", "inf"},
      {__LINE__, "nan", "nan"},
      {__LINE__, "1e999", "1e999"},
      {__LINE__, "1_000", "1_000"},
      {__LINE__, "1.", uint64_t{1}},
      {__LINE__, "-.5e1", int64_t{-5}},
      {__LINE__, "1e-400", uint64_t{0}},  // strtod's underflow still reads the whole text
      {__LINE__, "1e", "1e"},
      // Words.
      {__LINE__, "true", true},
      {__LINE__, "y", true},
      {__LINE__, "yes", true},
      {__LINE__, "on", true},
      {__LINE__, "false", false},
      {__LINE__, "n", false},
      {__LINE__, "no", false},
      {__LINE__, "off", false},
      {__LINE__, "tRUE", "tRUE"},
      // Quoted scalars are always texts.
      {__LINE__, "'5'", "5"},
      {__LINE__, "\"a\\0b\"", std::string_view("a\0b", 3)},
      // Literal and folded scalars resolve like plain ones, with their line breaks.
      {__LINE__, "|\n  5\n", "5\n"},
      {__LINE__, "|-\n  5\n", uint64_t{5}},
      {__LINE__, ">-\n  yes\n", true},
      {__LINE__, "|2-\n    5", uint64_t{5}},  // strtod skips the leading spaces
      {__LINE__, "|2-\n    x", "  x"},
  };
  for (const ValueCase& c : cases) ExpectLoads(c);
}

TEST(YamlLoadTest, FollowsSupportedTags) {
  const ValueCase cases[] = {
      {__LINE__, "!!str 5", "5"},
      {__LINE__, "!!str", ""},
      {__LINE__, "!!int 010", uint64_t{8}},  // base 0: a leading 0 is octal
      {__LINE__, "!!int 18446744073709551615", std::numeric_limits<uint64_t>::max()},
      {__LINE__, "!!int -9223372036854775808", std::numeric_limits<int64_t>::min()},
      {__LINE__, "!!int '7'", uint64_t{7}},
      {__LINE__, "!!float 1", 1.0},
      {__LINE__, "!!bool yes", true},
      {__LINE__, "!!bool maybe", BindingProperty()},  // other texts leave the value alone
      {__LINE__, "a: 1\na: !!bool maybe", Structure({{"a", uint64_t{1}}})},
      // Tags on collections change nothing.
      {__LINE__, "!!seq [1]", Collection({uint64_t{1}})},
      {__LINE__, "!!map {a: b}", Structure({{"a", "b"}})},
  };
  for (const ValueCase& c : cases) ExpectLoads(c);

  // A NaN passes the double bounds (and equals nothing, so it is checked apart).
  BindingResult nan = YamlLoad("!!float nan");
  ASSERT_TRUE(nan.ok()) << nan.message();
  EXPECT_EQ(nan.value().kind(), BindingKind::Float);
  EXPECT_NE(nan.value().GetFloatOr(0), nan.value().GetFloatOr(0));
}

TEST(YamlLoadTest, BuildsCollectionsAndStructures) {
  const ValueCase cases[] = {
      {__LINE__, "[]", Collection({})},
      {__LINE__, "{}", Structure({})},
      {__LINE__, "- 1\n- a\n- ~\n", Collection({uint64_t{1}, "a", BindingProperty()})},
      {__LINE__, "b: 1\nB: 2\na: [x, {y: z}]\n",
       Structure({{"B", uint64_t{2}},
                  {"a", Collection({"x", Structure({{"y", "z"}})})},
                  {"b", uint64_t{1}}})},
      // Keys are texts, never resolved.
      {__LINE__, "1: a\ntrue: b\n~: c\n", Structure({{"1", "a"}, {"true", "b"}, {"~", "c"}})},
      {__LINE__, "!!str 1: a", Structure({{"1", "a"}})},
      // The empty key is a key like any other.
      {__LINE__, "'': 1\nx: 2", Structure({{"", uint64_t{1}}, {"x", uint64_t{2}}})},
      {__LINE__, "a:\nb: ''", Structure({{"a", BindingProperty()}, {"b", ""}})},
      {__LINE__, "--- 5\n...\n", uint64_t{5}},
  };
  for (const ValueCase& c : cases) ExpectLoads(c);
}

TEST(YamlLoadTest, RepeatedKeysMergeIntoTheEarlierValue) {
  const ValueCase cases[] = {
      // Two mappings merge (recursively), the later scalar winning.
      {__LINE__, "m: {x: 1, y: {p: 1}}\nm: {y: {q: 2}, x: 3, z: 4}",
       Structure({{"m", Structure({{"x", uint64_t{3}},
                                   {"y", Structure({{"p", uint64_t{1}}, {"q", uint64_t{2}}})},
                                   {"z", uint64_t{4}}})}})},
      // A value of another kind replaces the earlier one, and the keys after it still land
      // in the right mapping.
      {__LINE__, "m: {x: 1}\nm: 5\nn: 6", Structure({{"m", uint64_t{5}}, {"n", uint64_t{6}}})},
      // Sequences append, whatever keys come between.
      {__LINE__, "s: [1]\ns: [2]\nt: 0\ns: [3]",
       Structure({{"s", Collection({uint64_t{1}, uint64_t{2}, uint64_t{3}})}, {"t", uint64_t{0}}})},
      // A !!bool text that is no word leaves the earlier value to the values after it.
      {__LINE__, "s: [1]\ns: !!bool maybe\ns: [2]", Structure({{"s", Collection({uint64_t{1}, uint64_t{2}})}})},
      {__LINE__, "m: {a: !!bool maybe, b: 1}", Structure({{"m", Structure({{"a", BindingProperty()}, {"b", uint64_t{1}}})}})},
      // With an alias the tree is read as it is when the alias comes: the anchored node
      // has since been merged into, or replaced beneath its path.
      {__LINE__, "a: &x {p: 1}\na: {q: 2}\nb: *x",
       Structure({{"a", Structure({{"p", uint64_t{1}}, {"q", uint64_t{2}}})},
                  {"b", Structure({{"p", uint64_t{1}}, {"q", uint64_t{2}}})}})},
      {__LINE__, "a: {p: &x 1}\na: {p: 2}\nb: *x", Structure({{"a", Structure({{"p", uint64_t{2}}})}, {"b", uint64_t{2}}})},
  };
  for (const ValueCase& c : cases) ExpectLoads(c);
}

TEST(YamlLoadTest, AliasesCopyTheAnchoredNode) {
  const ValueCase cases[] = {
      {__LINE__, "a: &x {k: [1, 2]}\nb: *x", Structure({{"a", Structure({{"k", Collection({uint64_t{1}, uint64_t{2}})}})}, {"b", Structure({{"k", Collection({uint64_t{1}, uint64_t{2}})}})}})},
      {__LINE__, "- &s [1]\n- *s\n- *s", Collection({Collection({uint64_t{1}}), Collection({uint64_t{1}}), Collection({uint64_t{1}})})},
      // The copy is of the node as it is when the alias is read.
      {__LINE__, "a: &x [1]\nb: *x\na: [2]\nc: *x",
       Structure({{"a", Collection({uint64_t{1}, uint64_t{2}})},
                  {"b", Collection({uint64_t{1}})},
                  {"c", Collection({uint64_t{1}, uint64_t{2}})}})},
      // An alias of an anchored key is the key's text.
      {__LINE__, "&k key: 1\nother: *k", Structure({{"key", uint64_t{1}}, {"other", "key"}})},
      // Aliases as keys: an anchored key, or an anchored text.
      {__LINE__, "&k key: 1\n*k : 2", Structure({{"key", uint64_t{2}}})},
      {__LINE__, "a: &v text\n*v : 1", Structure({{"a", "text"}, {"text", uint64_t{1}}})},
      // An alias of a mapping that a repeated key has reopened around it: the copy is
      // taken as the mapping is at that moment, its own new field still Empty.
      {__LINE__, "a: &x {b: 1}\na: {c: *x}",
       Structure({{"a", Structure({{"b", uint64_t{1}},
                                   {"c", Structure({{"b", uint64_t{1}}, {"c", BindingProperty()}})}})}})},
      // An alias of a node inside the slot it replaces.
      {__LINE__, "a: {b: &x [1]}\na: *x", Structure({{"a", Collection({uint64_t{1}})}})},
  };
  for (const ValueCase& c : cases) ExpectLoads(c);
}

struct FailureCase {
  int line;
  std::string_view text;
  std::string_view message;
};

void ExpectFails(const FailureCase& c) {
  SCOPED_TRACE(c.line);
  EXPECT_THAT(YamlLoad(c.text), FailsWith(std::string(c.message)));
}

// Loader failures name the event's start; tagged numbers fail with the conversion messages;
// parser errors carry the parser's own mark.
TEST(YamlLoadTest, ReportsEveryFailureWithItsMessage) {
  const FailureCase cases[] = {
      {__LINE__, "a: 1\n---\nb: 2", "Multi-document YAML is not supported."},
      // A first document that loaded as Empty does not let a second one in.
      {__LINE__, "---\n---\na: 1", "Multi-document YAML is not supported."},
      {__LINE__, "!!int 1: a", "Invalid mapping key. Only string scalar keys are allowed. At line: 1 col: 1"},
      {__LINE__, "{! a: 1}", "Invalid mapping key. Only string scalar keys are allowed. At line: 1 col: 2"},
      {__LINE__, "a: &v 5\n*v : 1", "Invalid mapping key. Only string scalar keys are allowed. At line: 2 col: 1"},
      {__LINE__, "[a]: 1", "Unexpected start of sequence. At line: 1 col: 1"},
      {__LINE__, "x:\n  ? {a: 1}\n  : 2", "Unexpected start of mapping. At line: 2 col: 5"},
      {__LINE__, "a: &x\n  b: *x", "Cannot deserialize cyclic aliases. Alias \"x\". At line: 2 col: 6"},
      {__LINE__, "a: *nope", "Undefined alias encountered: \"nope\". At line: 1 col: 4"},
      {__LINE__, "a: &x 1\nb: &x 2", "Duplicate occurrence of anchor \"x\". At line: 2 col: 4"},
      {__LINE__, "&x a: &x 1", "Duplicate occurrence of anchor \"x\". At line: 1 col: 7"},
      {__LINE__, "!!binary AAAA", "Unsupported YAML tag 'tag:yaml.org,2002:binary'."},
      {__LINE__, "a: !custom x", "Unsupported YAML tag '!custom'."},
      {__LINE__, "!!int abc", "Value abc for 'yaml' of type uint64_t is in an incorrect format"},
      {__LINE__, "!!int ''", "Value  for 'yaml' of type uint64_t is in an incorrect format"},
      {__LINE__, "!!int -9223372036854775809", "Value -9223372036854775809 for 'yaml' of type int64_t is out of range"},
      {__LINE__, "!!float abc", "Value abc for 'yaml' of type double is in an incorrect format"},
      {__LINE__, "!!float -inf", "Value -inf for 'yaml' of type double is out of range"},
      // The mark of an unexpected end of input is the line after the last one.
      {__LINE__, "a: [1, 2", "YAML parser error: did not find expected ',' or ']'. At line: 1 col: 0"},
      {__LINE__, "key: value: x", "YAML parser error: mapping values are not allowed in this context. At line: 0 col: 10"},
  };
  for (const FailureCase& c : cases) ExpectFails(c);
}

// Input that nests `depth` flow sequences around one scalar.
std::string NestedFlowSequences(std::size_t depth) {
  return std::string(depth, '[') + "1" + std::string(depth, ']');
}

std::size_t CollectionDepth(const BindingProperty& root) {
  std::size_t depth = 0;
  const BindingProperty* node = &root;
  while (node->kind() == BindingKind::Collection) {
    node = &node->ElementOrEmpty(0);
    ++depth;
  }
  return depth;
}

TEST(YamlLoadTest, NestingUpToTheLimitLoads) {
  BindingResult flow = YamlLoad(NestedFlowSequences(kYamlMaxNestingDepth));
  ASSERT_TRUE(flow.ok()) << flow.message();
  EXPECT_EQ(CollectionDepth(flow.value()), kYamlMaxNestingDepth);

  std::string block;
  for (std::size_t level = 0; level < kYamlMaxNestingDepth; ++level) {
    block += std::string(level, ' ') + "k:\n";
  }
  BindingResult mappings = YamlLoad(block);
  ASSERT_TRUE(mappings.ok()) << mappings.message();
  const BindingProperty* node = &mappings.value();
  std::size_t depth = 0;
  while (node->kind() == BindingKind::Structure) {
    node = &node->FieldOrEmpty("k");
    ++depth;
  }
  EXPECT_EQ(depth, kYamlMaxNestingDepth);
}

TEST(YamlLoadTest, DeeperNestingFailsAtTheFirstLevelTooMany) {
  const std::string justOver = NestedFlowSequences(kYamlMaxNestingDepth + 1);
  std::string mappings;
  for (int level = 0; level < 100000; ++level) mappings += "{a: ";
  mappings += "1" + std::string(100000, '}');
  const FailureCase cases[] = {
      {__LINE__, justOver,
       "YAML nested deeper than 1000 levels is not supported. At line: 1 col: 1001"},
      // Four characters a level: the 1001st mapping starts at column 4001.
      {__LINE__, mappings,
       "YAML nested deeper than 1000 levels is not supported. At line: 1 col: 4001"},
  };
  for (const FailureCase& c : cases) ExpectFails(c);
}

TEST(YamlLoadTest, AliasExpansionIsBounded) {
  // Each level holds ten aliases of the previous one; the copies pass a million values in
  // all at a5, on line 6.
  std::string text = "a0: &a0 [x, x, x, x, x, x, x, x, x, x]\n";
  for (int level = 1; level <= 7; ++level) {
    const std::string previous = "*a" + std::to_string(level - 1);
    text += "a" + std::to_string(level) + ": &a" + std::to_string(level) + " [";
    for (int i = 0; i < 10; ++i) text += (i == 0 ? "" : ", ") + previous;
    text += "]\n";
  }
  BindingResult result = YamlLoad(text);
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(std::string(result.message()),
              Testing::MatchesFullRegex("YAML aliases expand to more than 1000000 values\\. At line: 6 col: [0-9]+"));

  // Below the bound, the same shape loads.
  BindingResult small = YamlLoad("a: &a [x, x]\nb: &b [*a, *a]\nc: [*b, *b]\n");
  ASSERT_TRUE(small.ok()) << small.message();
  EXPECT_EQ(small.value().FieldOrEmpty("c").ElementOrEmpty(1).ElementOrEmpty(1),
            Collection({"x", "x"}));
}

constexpr std::string_view kSample =
    "# sample\n"
    "name: Ashe\n"
    "count: 42\n"
    "ratio: -0.5\n"
    "flags: {on: yes, off: No, none: ~}\n"
    "list:\n"
    "  - &first [1, 2]\n"
    "  - *first\n"
    "  - 'quoted'\n"
    "  - !!int -7\n"
    "  - !!float 2.5\n"
    "text: |\n"
    "  line one\n"
    "  line two\n"
    "&k anchored: \"value\"\n"
    "copy: *k\n";

TEST(YamlLoadTest, EveryPrefixOfTheSampleLoadsOrFailsInsideIt) {
  const std::regex mark("At line: ([0-9]+) col: ([0-9]+)$");
  for (std::size_t length = 0; length <= kSample.size(); ++length) {
    SCOPED_TRACE(length);
    const std::string_view prefix = kSample.substr(0, length);
    BindingResult result = YamlLoad(prefix);
    if (result.ok()) continue;
    const std::string message(result.message());
    std::smatch found;
    if (!std::regex_search(message, found, mark)) {
      // A cut tag or number: "!!in", "!!int -".
      EXPECT_THAT(message, ::testing::AnyOf(::testing::StartsWith("Unsupported YAML tag"),
                                            ::testing::StartsWith("Value ")));
      continue;
    }
    // Parser marks count from 0, event marks from 1: either way the line exists in the
    // prefix (or is the one just after its last line break).
    const std::size_t lines = static_cast<std::size_t>(std::count(prefix.begin(), prefix.end(), '\n'));
    EXPECT_LE(std::stoul(found[1]), lines + 1) << message;
    EXPECT_LE(std::stoul(found[2]), prefix.size() + 1) << message;
  }
}

// Where libyaml is compiled into the plugin, its parser's buffers are the plugin's blocks
// and must reach the counting entry points (its input buffer alone is 16 KiB).
TEST(YamlLoadTest, CompiledInLibyamlAllocatesThroughTheFrameworksEntryPoints) {
#ifndef ARX_LIBYAML_COMPILED_IN
  GTEST_SKIP() << "the system's shared libyaml allocates through its own runtime";
#endif
  static std::size_t largest = 0;
  const AllocationTable previous = CurrentAllocationTable();
  AllocationTable recording;
  recording.allocate = [](std::size_t size, void*) {
    largest = std::max(largest, size);
    return std::malloc(size);
  };
  recording.reallocate = [](void* block, std::size_t size, void*) {
    largest = std::max(largest, size);
    return std::realloc(block, size);
  };
  SetAllocationTable(recording);
  const bool loaded = YamlLoad("a: 1\n").ok();
  SetAllocationTable(previous);
  EXPECT_TRUE(loaded);
  EXPECT_GE(largest, std::size_t{16384});
}

}  // namespace
}  // namespace Vela
