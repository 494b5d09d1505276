#include "util/placeholder_parser.h"

#include <limits>

namespace Vela::detail {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }

class PlaceholderReader {
 public:
  PlaceholderReader(std::string_view pattern, std::size_t percent, uint32_t argumentCount,
                    uint32_t& sequential)
      : pattern_(pattern), position_(percent + 1), argumentCount_(argumentCount),
        sequential_(sequential) {
    Keep('%');
  }

  Placeholder Read() {
    if (ReadPosition()) {
      result_.end = position_;
      return result_;  // bare positional placeholder
    }
    while (HasMore() && IsFlag(Peek())) {
      Keep(Take());
    }
    ReadWidthOrPrecision();
    if (HasMore() && Peek() == '.') {
      Keep(Take());
      if (HasMore() && Peek() == '-') {
        ++position_;  // dropped
      }
      ReadWidthOrPrecision();
    }
    ReadLengthModifier();
    if (HasMore()) {
      Keep(Take());  // the conversion letter, whatever it is
    }
    if (!result_.positional) {
      result_.argumentIndex = sequential_++;
    }
    result_.end = position_;
    return result_;
  }

 private:
  bool HasMore() const { return position_ < pattern_.size(); }
  char Peek() const { return pattern_[position_]; }
  char Take() { return pattern_[position_++]; }

  void Keep(char c) {
    if (result_.specificationLength == kMaxSpecificationBytes) {
      result_.tooLong = true;
      return;
    }
    result_.specification[result_.specificationLength++] = c;
  }

  // Reads a run of digits from `from`, saturating; returns the index after it.
  std::size_t ReadNumber(std::size_t from, uint32_t& value) const {
    value = 0;
    while (from < pattern_.size() && IsDigit(pattern_[from])) {
      const uint32_t digit = static_cast<uint32_t>(pattern_[from] - '0');
      value = value > (std::numeric_limits<uint32_t>::max() - digit) / 10
                  ? std::numeric_limits<uint32_t>::max()
                  : value * 10 + digit;
      ++from;
    }
    return from;
  }

  // True for a bare positional placeholder ("%N" without "$"), which ends the reading.
  bool ReadPosition() {
    if (!HasMore() || Peek() < '1' || Peek() > '9') {
      return false;
    }
    uint32_t number = 0;
    const std::size_t afterDigits = ReadNumber(position_, number);
    if (number > argumentCount_) {
      return false;  // not a position: the digits are read again as flags and width
    }
    result_.positional = true;
    result_.argumentIndex = number;
    position_ = afterDigits;
    if (HasMore() && Peek() == '$') {
      ++position_;
      return false;
    }
    return true;
  }

  void ReadWidthOrPrecision() {
    if (HasMore() && Peek() == '*') {
      Keep(Take());
      uint32_t named = 0;
      const std::size_t afterDigits = ReadNumber(position_, named);
      const bool closed = afterDigits > position_ && afterDigits < pattern_.size() &&
                          pattern_[afterDigits] == '$';
      // Digits not closed by "$" are dropped; "N$" is consumed but not kept either.
      position_ = closed ? afterDigits + 1 : afterDigits;
      const uint32_t index = closed ? named : sequential_++;
      if (result_.starCount < 2) {
        result_.starIndices[result_.starCount++] = index;
      }
      return;
    }
    while (HasMore() && IsDigit(Peek())) {
      Keep(Take());
    }
  }

  void ReadLengthModifier() {
    if (!HasMore()) {
      return;
    }
    const char c = Peek();
    if (c == 'L' || c == 'j' || c == 't' || c == 'z') {
      Keep(Take());
    } else if (c == 'h' || c == 'l') {
      Keep(Take());
      if (HasMore() && Peek() == c) {
        Keep(Take());
      }
    }
  }

  std::string_view pattern_;
  std::size_t position_;
  uint32_t argumentCount_;
  uint32_t& sequential_;
  Placeholder result_;
};

}  // namespace

Placeholder ReadPlaceholder(std::string_view pattern, std::size_t percent, uint32_t argumentCount,
                            uint32_t& sequential) {
  return PlaceholderReader(pattern, percent, argumentCount, sequential).Read();
}

}  // namespace Vela::detail
