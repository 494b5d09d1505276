#include "logging/line_format.h"

#include <gtest/gtest.h>

#include <string>

namespace Vela {
namespace {

int g_clockReads = 0;
uint64_t FixedElapsed() {
  ++g_clockReads;
  return 12345;
}

LogRecord FixedRecord(LogLevel level, uint64_t groups, std::string_view message) {
  return LogRecord{LogTimestamp{2024, 5, 1, 13, 2, 3, 45}, level, groups, message};
}

const LineContext kContext{"app.exe", 0xABCD, &FixedElapsed};

std::string Format(std::string_view format, const LogRecord& record, std::size_t capacity = kLineCapacity) {
  std::string buffer(capacity, '\x7F');
  const std::size_t length = FormatLine(format, record, kContext, buffer.data(), capacity);
  EXPECT_LT(length, capacity);
  EXPECT_EQ(buffer[length], '\0') << "the line is not NUL-terminated";
  return buffer.substr(0, length);
}

TEST(LineFormatTest, RendersEveryToken) {
  constexpr uint64_t kDbgNet = (1u << 0) | (1u << 6);
  struct Row {
    int line;
    std::string_view format;
    LogLevel level;
    uint64_t groups;
    std::string_view message;
    std::string_view expected;
  } rows[] = {
      {__LINE__, "#E(#T): #L| #M", LogLevel::Warn, 1, "text", "app.exe(0000ABCD):   WARN| text\n"},
      {__LINE__, "#D| #L| #G| #M", LogLevel::Error, kDbgNet, "text", "2024-05-01T13:02:03.045|  ERROR| DBG;NET| text\n"},
      {__LINE__, "#H", LogLevel::Warn, 1, "", "000012.345\n"},
      {__LINE__, "#L", LogLevel::Okay, 1, "", "  OKAY\n"},
      {__LINE__, "#L", LogLevel::Always, 1, "", "ALWAYS\n"},
      // A level that arrived as a number outside the table.
      {__LINE__, "#L", static_cast<LogLevel>(7), 1, "", "??????\n"},
      {__LINE__, "[#G]", LogLevel::Warn, 0, "", "[]\n"},
      {__LINE__, "#G", LogLevel::Warn, uint64_t{1} << 63, "", "???\n"},
      // "#" before any other character gives that character.
      {__LINE__, "##|#x|#%", LogLevel::Warn, 1, "", "#|x|%\n"},
      {__LINE__, "50#", LogLevel::Warn, 1, "", "50#\n"},
      {__LINE__, "", LogLevel::Warn, 1, "", "\n"},
      {__LINE__, "#M", LogLevel::Warn, 1, "%s%d", "%s%d\n"},
      // Exactly one line break, whether the message brings it or not.
      {__LINE__, "#M", LogLevel::Warn, 1, "text\n", "text\n"},
      {__LINE__, "#M\n", LogLevel::Warn, 1, "text", "text\n"},
      {__LINE__, "#M", LogLevel::Warn, 1, "a\nb", "a\nb\n"},
      {__LINE__, "#M", LogLevel::Warn, 1, "text\n\n", "text\n\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Format(row.format, FixedRecord(row.level, row.groups, row.message)), row.expected);
  }
}

TEST(LineFormatTest, CutsAtTheBufferAndKeepsTheNewline) {
  struct Row {
    int line;
    std::string_view format;
    std::string_view message;
    std::size_t capacity;
    std::string expected;
  } rows[] = {
      // Seven bytes of text fit; the last gives way to the newline.
      {__LINE__, "#M", "abcdef", 8, "abcdef\n"},
      {__LINE__, "#M", "abcdefg", 8, "abcdef\n"},
      {__LINE__, "#M", "abcde\n", 8, "abcde\n"},
      {__LINE__, "ab#M", "cdefghij", 8, "abcdef\n"},
      {__LINE__, "#L", "", 4, "  \n"},
      {__LINE__, "#M", "abc", 2, "\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Format(row.format, FixedRecord(LogLevel::Warn, 1, row.message), row.capacity), row.expected);
  }
}

TEST(LineFormatTest, BufferTooSmallForAnyLineYieldsNothing) {
  char one[1] = {'x'};
  EXPECT_EQ(FormatLine("#M", FixedRecord(LogLevel::Warn, 1, "text"), kContext, one, sizeof one), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(FormatLine("#M", FixedRecord(LogLevel::Warn, 1, "text"), kContext, nullptr, 0), 0u);
}

}  // namespace
}  // namespace Vela
