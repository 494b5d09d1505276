#include "util/format_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace Vela {
namespace {

struct Case {
  int line;
  std::string actual;
  std::string expected;
};

void ExpectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(FormatText, PositionalPlaceholders) {
  ExpectAll({
      {__LINE__, FormatText("Index %1 is out of range", 7), "Index 7 is out of range"},
      {__LINE__, FormatText("%2 before %1", "a", "b"), "b before a"},
      // A bare placeholder leaves the sequential counter alone: %s takes argument 1.
      {__LINE__, FormatText("%1 %s", "x", "y"), "x x"},
      // Text right after a bare placeholder is ordinary text.
      {__LINE__, FormatText("%1s", 5), "5s"},
      {__LINE__, FormatText("100%%", 1), "100%"},
      {__LINE__, FormatText("%%1", 1), "%1"},
      {__LINE__, FormatText("abc%", 9), "abc9"},
      {__LINE__, FormatText("%1$s", 42), "42"},
      {__LINE__, FormatText("[%2$-8s]", 1, "ab"), "[ab      ]"},
      // Mixing: a positional conversion does not move the counter either.
      {__LINE__, FormatText("%2$s %s %s", "a", "b"), "b a b"},
  });
}

TEST(FormatText, NumbersThatAreNotPositions) {
  ExpectAll({
      // %3 with two arguments: width 3, the next character is the letter (s -> d).
      {__LINE__, FormatText("[%3s]", 5, 6), "[  5]"},
      {__LINE__, FormatText("a %2 b", 7), "a  7b"},
      // Leading 0: flag and width, not a position.
      {__LINE__, FormatText("%05d", 42), "00042"},
      {__LINE__, FormatText("%01", 42), "42"},
      // 10 exceeds the count: width 10, letter d.
      {__LINE__, FormatText("%10d|", 1, 2, 3), "         1|"},
  });
}

TEST(FormatText, LettersAndLengthModifiers) {
  const uint64_t big = 0x1234ABCDull;
  ExpectAll({
      {__LINE__, FormatText("%016llX", big), "000000001234ABCD"},
      {__LINE__, FormatText("%1", int64_t{-9000000000}), "-9000000000"},
      {__LINE__, FormatText("%1", uint64_t{18446744073709551615ull}), "18446744073709551615"},
      {__LINE__, FormatText("%c", 65), "A"},
      {__LINE__, FormatText("%1", 'Z'), "Z"},
      {__LINE__, FormatText("%d", 'A'), "65"},
      {__LINE__, FormatText("%1", 2.5), "2.5"},
      // Letters a kind does not accept become its default letter.
      {__LINE__, FormatText("%x", 0.5), "0.5"},
      {__LINE__, FormatText("%d", "text"), "text"},
      {__LINE__, FormatText("%5.1f|", 42), "   42|"},
      {__LINE__, FormatText("%5%|", 7), "    7|"},
      // %n must never reach printf.
      {__LINE__, FormatText("%n|", 7), "7|"},
      // Explicit conversions keep their modifier: "%d" reads the low 32 bits of a 64-bit
      // value, a signed letter reinterprets an unsigned value, "hh" narrows.
      {__LINE__, FormatText("%d", int64_t{0x100000005}), "5"},
      {__LINE__, FormatText("%d", 4294967295u), "-1"},
      {__LINE__, FormatText("%hhd", 300), "44"},
      {__LINE__, FormatText("%hu", -1), "65535"},
      // A modifier wider than the argument reads the argument, not whatever follows it.
      {__LINE__, FormatText("%lld", -5), "-5"},
      {__LINE__, FormatText("%Lf", 1.5), "1.500000"},
      // "%ls" would read a wide string: the text renders as text.
      {__LINE__, FormatText("%ls", "wide?"), "wide?"},
      // A "-" right after the point is dropped.
      {__LINE__, FormatText("%.-3f", 1.0), "1.000"},
  });
}

TEST(FormatText, StarWidthAndPrecision) {
  ExpectAll({
      {__LINE__, FormatText("%*d|", 5, 42), "   42|"},
      {__LINE__, FormatText("%*d|", -4, 7), "7   |"},
      {__LINE__, FormatText("%2$*1$d|", 4, 7), "   7|"},
      {__LINE__, FormatText("%.*f", 2, 3.14159), "3.14"},
      // Digits after "*" that "$" does not close are dropped.
      {__LINE__, FormatText("%*5d|", 3, 9), "  9|"},
      // A position with a sequential "*": the star takes argument 1.
      {__LINE__, FormatText("%2$*s|", 6, "x"), "     x|"},
      {__LINE__, FormatText("%.*s|", 2, "abcdef"), "ab|"},
      {__LINE__, FormatText("%.*s|", -1, "abc"), "abc|"},
      // 64-bit values give their low 32 bits, characters their sign-extended value.
      {__LINE__, FormatText("%*d|", int64_t{0x100000003}, 1), "  1|"},
      {__LINE__, FormatText("%*d|", char{3}, 1), "  1|"},
  });
}

TEST(FormatText, UnusablePlaceholdersEndTheOutput) {
  ExpectAll({
      {__LINE__, FormatText("a%s%s b", "x"), "ax"},
      {__LINE__, FormatText("ab%*dcd", "x", 5), "ab"},         // a text cannot supply "*"
      {__LINE__, FormatText("ab%*dcd", 2.0, 5), "ab"},         // nor can a double
      {__LINE__, FormatText("ab%*3$dcd", 2, 5), "ab"},         // argument 3 does not exist
      {__LINE__, FormatText("ab%*0$dcd", 2, 5), "ab"},         // nor does argument 0
      {__LINE__, FormatText("ab%*d", 5), "ab"},                // the star used the only one
      {__LINE__, FormatText("x%1$.*2$fy", 1.5, "p"), "x"},
  });
}

TEST(FormatText, ConversionTextIsLimitedTo60Bytes) {
  // The position "1$" is not part of the conversion text; the 58 flags and "%" and "d" are.
  const std::string fits = "x%1$" + std::string(58, '-') + "d|";
  const std::string tooLong = "x%1$" + std::string(59, '-') + "d|";
  EXPECT_EQ(FormatText(fits, 42), "x42|");
  EXPECT_EQ(FormatText(tooLong, 42), "x");
}

TEST(FormatText, CutsAt4095Bytes) {
  const std::string longText(5000, 'b');
  EXPECT_EQ(FormatText(std::string(5000, 'a') + "%1", 1), std::string(4095, 'a'));
  EXPECT_EQ(FormatText("%1", longText), std::string(4095, 'b'));
  EXPECT_EQ(FormatText("xy%1", longText), "xy" + std::string(4093, 'b'));
  EXPECT_EQ(FormatText("%4100d", 1), std::string(4095, ' '));
  const std::string exact(4094, 'c');
  EXPECT_EQ(FormatText(exact + "%1", 5), exact + "5");
}

TEST(FormatText, HugeWidthsAndPrecisionsAreCutLikeAnyLongOutput) {
  const int32_t huge = 2147483647;
  const int32_t hugeNegative = -2147483647 - 1;
  ExpectAll({
      {__LINE__, FormatText("a%*d|", huge, 1), "a" + std::string(4094, ' ')},
      {__LINE__, FormatText("a%*d|", hugeNegative, 7), "a7" + std::string(4093, ' ')},
      {__LINE__, FormatText("%.*d", huge, 5), std::string(4095, '0')},
      {__LINE__, FormatText("%-0*d", huge, -3), "-3" + std::string(4093, ' ')},
      {__LINE__, FormatText("%0*d", huge, -3), "-" + std::string(4094, '0')},
      {__LINE__, FormatText("%.*f", huge, 0.5), "0.5" + std::string(4092, '0')},
      {__LINE__, FormatText("%*s", huge, "ab"), std::string(4095, ' ')},
      {__LINE__, FormatText("%99999999999d", 1), std::string(4095, ' ')},
  });
}

TEST(FormatToBuffer, CutsAtCapacityAndAlwaysTerminates) {
  const int32_t value = 123456;
  const FormatArgument argument{&value, &kInt32ArgumentKind};
  struct BufferCase {
    int line;
    std::string_view pattern;
    std::size_t capacity;
    std::string_view expected;
  };
  const BufferCase cases[] = {
      {__LINE__, "abcdef", 5, "abcd"},
      {__LINE__, "ab%1", 5, "ab12"},
      {__LINE__, "ab%1", 9, "ab123456"},
      {__LINE__, "ab%1cd", 9, "ab123456"},
      {__LINE__, "ab%%cd", 4, "ab%"},
      {__LINE__, "%1", 1, ""},
      {__LINE__, "%s %1", 20, "123456 123456"},
  };
  for (const BufferCase& c : cases) {
    SCOPED_TRACE(c.line);
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    const std::size_t length = FormatToBuffer(buffer, c.capacity, c.pattern, &argument, 1);
    EXPECT_EQ(length, c.expected.size());
    EXPECT_EQ(std::string_view(buffer, length), c.expected);
    EXPECT_EQ(buffer[length], '\0');
    EXPECT_EQ(buffer[c.capacity], '#') << "wrote past the capacity";
  }
}

TEST(FormatToBuffer, ZeroCapacityWritesNothing) {
  char buffer[2] = {'#', '#'};
  const int32_t value = 1;
  const FormatArgument argument{&value, &kInt32ArgumentKind};
  EXPECT_EQ(FormatToBuffer(buffer, 0, "abc%1", &argument, 1), 0u);
  EXPECT_EQ(buffer[0], '#');
}

}  // namespace
}  // namespace Vela
