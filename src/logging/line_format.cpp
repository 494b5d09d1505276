#include "logging/line_format.h"

#include <cstdio>
#include <cstring>

#include "logging/log_groups.h"

namespace Vela {
namespace {

// Appends to a bounded buffer; stops copying once fewer than two bytes remain, which keeps
// one byte for the NUL and lets the newline rule work on a full buffer.
class LineWriter {
 public:
  LineWriter(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  bool HasRoom() const { return capacity_ - length_ >= 2; }

  void Append(std::string_view text) {
    const std::size_t room = capacity_ - length_ - 1;
    const std::size_t count = text.size() < room ? text.size() : room;
    std::memcpy(buffer_ + length_, text.data(), count);
    length_ += count;
  }

  void Append(char c) {
    if (length_ + 1 < capacity_) buffer_[length_++] = c;
  }

  template <typename... Arguments>
  void AppendPrintf(const char* format, Arguments... arguments) {
    char piece[64];
    const int written = std::snprintf(piece, sizeof piece, format, arguments...);
    if (written > 0) Append(std::string_view(piece, static_cast<std::size_t>(written) < sizeof piece ? static_cast<std::size_t>(written) : sizeof piece - 1));
  }

  // Exactly one newline at the end; on a full buffer the last character gives way to it.
  std::size_t Finish() {
    if (length_ == 0 || buffer_[length_ - 1] != '\n') {
      if (length_ + 1 < capacity_) {
        buffer_[length_++] = '\n';
      } else {
        buffer_[length_ - 1] = '\n';
      }
    }
    buffer_[length_] = '\0';
    return length_;
  }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

}  // namespace

std::size_t FormatLine(std::string_view format, const LogRecord& record, const LineContext& context,
                       char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return 0;
  if (capacity < 2) {
    buffer[0] = '\0';
    return 0;
  }
  LineWriter line(buffer, capacity);
  for (std::size_t i = 0; i < format.size() && line.HasRoom(); ++i) {
    if (format[i] != '#' || i + 1 == format.size()) {
      line.Append(format[i]);
      continue;
    }
    const char token = format[++i];
    switch (token) {
      case 'D': {
        const LogTimestamp& t = record.time;
        line.AppendPrintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                          t.second, t.millisecond);
        break;
      }
      case 'E':
        line.Append(context.executableName);
        break;
      case 'G': {
        char names[kGroupNamesCapacity];
        line.Append(std::string_view(names, GroupNames(record.groups, names, sizeof names)));
        break;
      }
      case 'H': {
        const uint64_t elapsed = context.elapsedMilliseconds != nullptr ? context.elapsedMilliseconds() : 0;
        line.AppendPrintf("%06d.%03d", static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
        break;
      }
      case 'L':
        line.Append(LevelName(record.level));
        break;
      case 'M':
        line.Append(record.message);
        break;
      case 'T':
        // The thread column of a 32-bit process prints the identifier as a pointer: eight
        // upper-case hex digits. Kept identical on every platform.
        line.AppendPrintf("%08X", static_cast<unsigned>(context.threadId));
        break;
      default:
        line.Append(token);
        break;
    }
  }
  return line.Finish();
}

}  // namespace Vela
