#include "util/placeholder_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Vela::detail {
namespace {

struct Case {
  int line;
  std::string pattern;  // the "%" is at index 0
  uint32_t argumentCount;
  std::string specification;
  uint32_t argumentIndex;
  bool positional;
  std::vector<uint32_t> stars;
  std::size_t end;
  uint32_t sequentialAfter;  // the counter starts at 1
};

TEST(ReadPlaceholder, ReadsEachForm) {
  // The forms FormatText's tables render are not repeated here.
  const Case cases[] = {
      {__LINE__, "%12$d", 3, "%12$", 1, false, {}, 4, 2},
      {__LINE__, "%2$*1$.*3$f", 3, "%*.*f", 2, true, {1, 3}, 11, 1},
      {__LINE__, "%1$*.*f", 3, "%*.*f", 1, true, {1, 2}, 7, 3},
      {__LINE__, "%-+ #0x", 1, "%-+ #0x", 1, false, {}, 7, 2},
      // Length modifiers: doubled h/l, single L j t z; a third l is the letter.
      {__LINE__, "%lll", 1, "%lll", 1, false, {}, 4, 2},
      {__LINE__, "%zu", 1, "%zu", 1, false, {}, 3, 2},
      // The letter is whatever comes next; at the end there is none.
      {__LINE__, "%!", 1, "%!", 1, false, {}, 2, 2},
      {__LINE__, "%-5", 1, "%-5", 1, false, {}, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    uint32_t sequential = 1;
    const Placeholder p = ReadPlaceholder(c.pattern, 0, c.argumentCount, sequential);
    EXPECT_EQ(std::string(p.Specification()), c.specification);
    EXPECT_EQ(p.argumentIndex, c.argumentIndex);
    EXPECT_EQ(p.positional, c.positional);
    EXPECT_EQ(std::vector<uint32_t>(p.starIndices, p.starIndices + p.starCount), c.stars);
    EXPECT_EQ(p.end, c.end);
    EXPECT_EQ(sequential, c.sequentialAfter);
    EXPECT_FALSE(p.tooLong);
  }
}

TEST(ReadPlaceholder, FlagsAConversionTextPast60Bytes) {
  uint32_t sequential = 1;
  const std::string atLimit = "%" + std::string(58, '0') + "d";
  const Placeholder fits = ReadPlaceholder(atLimit, 0, 1, sequential);
  EXPECT_FALSE(fits.tooLong);
  EXPECT_EQ(fits.specificationLength, 60u);

  const std::string pastLimit = "%" + std::string(59, '0') + "d tail";
  const Placeholder tooLong = ReadPlaceholder(pastLimit, 0, 1, sequential);
  EXPECT_TRUE(tooLong.tooLong);
  EXPECT_EQ(tooLong.end, 61u) << "the whole placeholder is still consumed";
}

TEST(ReadPlaceholder, HugeNumbersSaturate) {
  uint32_t sequential = 1;
  const Placeholder p = ReadPlaceholder("%*99999999999999$d", 0, 2, sequential);
  ASSERT_EQ(p.starCount, 1u);
  EXPECT_EQ(p.starIndices[0], 0xFFFFFFFFu);
  EXPECT_EQ(p.argumentIndex, 1u);
}

}  // namespace
}  // namespace Vela::detail
