#include "util/format_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "util/placeholder_parser.h"

namespace Vela {
namespace {

using detail::kMaxSpecificationBytes;

// ---- Reading a conversion text ----------------------------------------------------------

// The parts of a conversion text, as the render operations apply it.
struct Conversion {
  std::string_view flags;
  std::string_view width;      // digits, "*" or empty
  std::string_view precision;  // digits, "*" or empty; meaningful when hasPrecision
  bool hasPrecision = false;
  std::string_view modifier;
  char letter = 0;
};

// Splits a conversion text and chooses its letter: a bare "%" takes the kind's modifier
// and default letter; otherwise the last character is the letter, kept when the kind
// accepts it and replaced by the default letter when not.
Conversion ReadConversion(const ConversionContext& context) {
  Conversion conversion;
  const std::string_view accepted = context.acceptedLetters;
  const char defaultLetter = accepted.empty() ? 's' : accepted.front();
  std::string_view text = context.specification;
  if (text.size() <= 1) {
    conversion.modifier = context.bareModifier;
    conversion.letter = defaultLetter;
    return conversion;
  }
  const char last = text.back();
  conversion.letter = accepted.find(last) != std::string_view::npos ? last : defaultLetter;
  text = text.substr(1, text.size() - 2);

  auto takeWhile = [&text](auto predicate) {
    std::size_t count = 0;
    while (count < text.size() && predicate(text[count])) {
      ++count;
    }
    const std::string_view taken = text.substr(0, count);
    text.remove_prefix(count);
    return taken;
  };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  auto takeAmount = [&]() {
    if (!text.empty() && text.front() == '*') {
      const std::string_view star = text.substr(0, 1);
      text.remove_prefix(1);
      return star;
    }
    return takeWhile(isDigit);
  };

  conversion.flags = takeWhile([](char c) { return std::string_view("-+ #0").find(c) != std::string_view::npos; });
  conversion.width = takeAmount();
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    conversion.hasPrecision = true;
    conversion.precision = takeAmount();
  }
  conversion.modifier = text;  // whatever is left: the length modifier
  return conversion;
}

// A printf format for one conversion, with a length modifier chosen by the render
// operation to match the type it passes (so no argument is ever read as another type).
// "*" values are written into the format as numbers, so printf reads only the value.
class PrintfFormat {
 public:
  PrintfFormat(const Conversion& conversion, std::string_view modifier, const ConversionContext& context) {
    uint32_t starsUsed = 0;
    std::optional<int64_t> width = ResolveAmount(conversion.width, context, starsUsed);
    bool leftJustify = false;
    if (width && *width < 0) {
      leftJustify = true;  // a negative "*" width means "-" and its magnitude
      width = -*width;
    }
    std::optional<int64_t> precision;
    if (conversion.hasPrecision) {
      precision = ResolveAmount(conversion.precision, context, starsUsed);
      if (!precision) {
        precision = 0;  // "." alone
      } else if (*precision < 0) {
        precision.reset();  // a negative "*" precision counts as none
      }
    }
    // Amounts past what can show in the space left change nothing visible; bounding them
    // keeps printf from producing (or allocating for) gigabytes that would be cut anyway.
    // Past these bounds the content alone fills the space, or the padding does.
    const auto space = static_cast<int64_t>(context.spaceLeft);
    if (precision) {
      precision = std::min<int64_t>(*precision, space + kPrecisionSlack);
    }
    if (width) {
      width = std::min<int64_t>(*width, space + precision.value_or(0) + kWidthSlack);
    }

    Append('%');
    Append(conversion.flags);
    if (leftJustify) {
      Append('-');
    }
    if (width) {
      AppendNumber(*width);
    }
    if (precision) {
      Append('.');
      AppendNumber(*precision);
    }
    Append(modifier);
    Append(conversion.letter);
    text_[length_] = '\0';
  }

  const char* text() const { return text_; }

 private:
  // A double's exact decimal expansion has fewer than 1100 significant digits.
  static constexpr int64_t kPrecisionSlack = 1100;
  // The longest content besides its precision: %f of 1e308 (309 digits), sign, prefixes.
  static constexpr int64_t kWidthSlack = 400;

  static std::optional<int64_t> ResolveAmount(std::string_view amount, const ConversionContext& context,
                                              uint32_t& starsUsed) {
    if (amount == "*") {
      // A "*" with no value to go with it is dropped.
      if (starsUsed >= context.starCount || starsUsed >= 2) {
        return std::nullopt;
      }
      return context.starValues[starsUsed++];
    }
    if (amount.empty()) {
      return std::nullopt;
    }
    int64_t value = 0;
    for (char c : amount) {
      value = std::min<int64_t>(value * 10 + (c - '0'), int64_t{1} << 40);
    }
    return value;
  }

  void Append(char c) {
    if (length_ + 1 < sizeof text_) {
      text_[length_++] = c;
    }
  }
  void Append(std::string_view part) {
    for (char c : part) {
      Append(c);
    }
  }
  void AppendNumber(int64_t value) {
    char digits[24];
    const int count = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    Append(std::string_view(digits, static_cast<std::size_t>(count)));
  }

  char text_[kMaxSpecificationBytes + 48] = {};
  std::size_t length_ = 0;
};

template <class T>
std::size_t Print(const ConversionContext& context, const PrintfFormat& format, T value) {
  if (context.spaceLeft == 0) {
    return 0;
  }
  const int result = std::snprintf(context.output, context.spaceLeft, format.text(), value);
  if (result < 0) {
    // The conversion failed outright: it contributes nothing.
    context.output[0] = '\0';
    return 0;
  }
  const auto length = static_cast<std::size_t>(result);
  return length >= context.spaceLeft ? context.spaceLeft : length;
}

// ---- Integers and characters ------------------------------------------------------------

// Passes the value as the type that the conversion's length modifier names, converted
// modulo its width: the result is what printf shows when it reads that type from the
// argument's bytes, without ever reading a type that was not passed.
std::size_t RenderIntegerBits(const ConversionContext& context, int64_t bits) {
  const Conversion conversion = ReadConversion(context);
  if (conversion.letter == 'c') {
    // "%lc" would ask for a wide character: the plain form takes an int.
    return Print(context, PrintfFormat(conversion, "", context), static_cast<int>(bits));
  }
  const bool isSigned = conversion.letter == 'd' || conversion.letter == 'i';
  const std::string_view modifier = conversion.modifier;
  if (modifier == "hh") {
    return isSigned ? Print(context, PrintfFormat(conversion, "hh", context), static_cast<int>(static_cast<signed char>(bits)))
                    : Print(context, PrintfFormat(conversion, "hh", context), static_cast<unsigned>(static_cast<unsigned char>(bits)));
  }
  if (modifier == "h") {
    return isSigned ? Print(context, PrintfFormat(conversion, "h", context), static_cast<int>(static_cast<short>(bits)))
                    : Print(context, PrintfFormat(conversion, "h", context), static_cast<unsigned>(static_cast<unsigned short>(bits)));
  }
  if (modifier == "l") {
    return isSigned ? Print(context, PrintfFormat(conversion, "l", context), static_cast<long>(bits))
                    : Print(context, PrintfFormat(conversion, "l", context), static_cast<unsigned long>(bits));
  }
  if (modifier == "ll" || modifier == "L" || modifier == "j") {
    // "L" on an integer is read as "ll"; intmax_t is 64 bits on every target we build.
    return isSigned ? Print(context, PrintfFormat(conversion, "ll", context), static_cast<long long>(bits))
                    : Print(context, PrintfFormat(conversion, "ll", context), static_cast<unsigned long long>(bits));
  }
  if (modifier == "z" || modifier == "t") {
    return isSigned ? Print(context, PrintfFormat(conversion, "t", context), static_cast<std::ptrdiff_t>(bits))
                    : Print(context, PrintfFormat(conversion, "z", context), static_cast<std::size_t>(bits));
  }
  return isSigned ? Print(context, PrintfFormat(conversion, "", context), static_cast<int>(bits))
                  : Print(context, PrintfFormat(conversion, "", context), static_cast<unsigned>(bits));
}

template <class T>
std::size_t RenderInteger(const ConversionContext& context) {
  return RenderIntegerBits(context, static_cast<int64_t>(*static_cast<const T*>(context.value)));
}

template <class T>
int32_t IntegerToInt32(const void* value) {
  // The low 32 bits, as printf reads an int from a wider argument.
  return static_cast<int32_t>(static_cast<uint32_t>(*static_cast<const T*>(value)));
}

int32_t CharToInt32(const void* value) {
  return static_cast<int32_t>(static_cast<signed char>(*static_cast<const char*>(value)));
}

std::size_t RenderDouble(const ConversionContext& context) {
  const Conversion conversion = ReadConversion(context);
  const double value = *static_cast<const double*>(context.value);
  // Only "L" changes what a floating conversion reads; other modifiers are dropped.
  if (conversion.modifier == "L") {
    return Print(context, PrintfFormat(conversion, "L", context), static_cast<long double>(value));
  }
  return Print(context, PrintfFormat(conversion, "", context), value);
}

// ---- Texts -------------------------------------------------------------------------------

// A text made of up to five pieces, read as one C string: it ends at the first NUL.
struct TextPieces {
  std::string_view pieces[5];
  std::size_t count = 0;

  void Add(std::string_view piece) { pieces[count++] = piece; }

  std::size_t Length() const {
    std::size_t length = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t nul = pieces[i].find('\0');
      if (nul != std::string_view::npos) {
        return length + nul;
      }
      length += pieces[i].size();
    }
    return length;
  }

  // Copies the first `length` bytes (at most Length()) to `out`.
  void CopyPrefix(char* out, std::size_t length) const {
    for (std::size_t i = 0; i < count && length > 0; ++i) {
      const std::size_t take = std::min(length, pieces[i].size());
      std::memcpy(out, pieces[i].data(), take);
      out += take;
      length -= take;
    }
  }
};

// Applies "%s" with its flags, width and precision. Written here rather than through
// printf because the texts need not be NUL-terminated, and because a length modifier
// ("%ls") would make printf read a wide string.
std::size_t RenderPieces(const ConversionContext& context, const TextPieces& text) {
  if (context.spaceLeft == 0) {
    return 0;
  }
  const Conversion conversion = ReadConversion(context);
  uint32_t starsUsed = 0;
  auto amount = [&](std::string_view digits, int64_t& value) {
    if (digits == "*") {
      if (starsUsed >= context.starCount) {
        return false;
      }
      value = context.starValues[starsUsed++];
      return true;
    }
    if (digits.empty()) {
      return false;
    }
    value = 0;
    for (char c : digits) {
      value = std::min<int64_t>(value * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    }
    return true;
  };

  bool leftJustify = conversion.flags.find('-') != std::string_view::npos;
  int64_t width = 0;
  if (amount(conversion.width, width) && width < 0) {
    leftJustify = true;  // a negative "*" width means "-" and its magnitude
    width = -width;
  }
  std::size_t length = text.Length();
  if (conversion.hasPrecision) {
    int64_t precision = 0;  // "." alone means 0
    const bool given = amount(conversion.precision, precision);
    if (!given || precision >= 0) {
      length = std::min<std::size_t>(length, static_cast<std::size_t>(given ? precision : 0));
    }
    // A negative "*" precision counts as none.
  }
  const std::size_t padding = static_cast<uint64_t>(width) > length ? static_cast<std::size_t>(width) - length : 0;
  const std::size_t total = padding + length;

  // Writes at most spaceLeft - 1 bytes and a NUL, as snprintf would.
  const std::size_t room = context.spaceLeft - 1;
  char* out = context.output;
  const std::size_t leading = leftJustify ? 0 : std::min(padding, room);
  std::memset(out, ' ', leading);
  const std::size_t body = std::min(length, room - leading);
  text.CopyPrefix(out + leading, body);
  const std::size_t trailing = leftJustify ? std::min(padding, room - leading - body) : 0;
  std::memset(out + leading + body, ' ', trailing);
  out[leading + body + trailing] = '\0';
  return total >= context.spaceLeft ? context.spaceLeft : total;
}

std::string_view CStringOf(const char* text) { return text == nullptr ? std::string_view("(null)") : std::string_view(text); }

std::size_t RenderCString(const ConversionContext& context) {
  TextPieces text;
  text.Add(CStringOf(*static_cast<const char* const*>(context.value)));
  return RenderPieces(context, text);
}

std::size_t RenderString(const ConversionContext& context) {
  TextPieces text;
  text.Add(*static_cast<const std::string_view*>(context.value));
  return RenderPieces(context, text);
}

// The numbers of a version hold at most 3 * 10 digits and two points.
constexpr std::size_t kVersionNumbersCapacity = 33;

std::string_view VersionNumbers(const Version& version, char (&buffer)[kVersionNumbersCapacity]) {
  const FormatArgument numbers[] = {{&version.major, &kUInt32ArgumentKind},
                                    {&version.minor, &kUInt32ArgumentKind},
                                    {&version.patch, &kUInt32ArgumentKind}};
  const std::size_t length = FormatToBuffer(buffer, sizeof buffer, "%1.%2.%3", numbers, 3);
  return {buffer, length};
}

TextPieces VersionPieces(const Version& version, std::string_view numbers) {
  TextPieces text;
  text.Add(numbers);
  if (!version.preRelease.empty()) {
    text.Add("-");
    text.Add(version.preRelease);
  }
  if (!version.build.empty()) {
    text.Add("+");
    text.Add(version.build);
  }
  return text;
}

std::size_t RenderVersion(const ConversionContext& context) {
  const Version& version = *static_cast<const Version*>(context.value);
  char buffer[kVersionNumbersCapacity];
  return RenderPieces(context, VersionPieces(version, VersionNumbers(version, buffer)));
}

std::size_t RenderTextPair(const ConversionContext& context) {
  const TextPair& pair = *static_cast<const TextPair*>(context.value);
  TextPieces text;
  text.Add(pair.first);
  text.Add(":");
  text.Add(pair.second);
  return RenderPieces(context, text);
}

int32_t NoInt32(const void*) { return 0; }

}  // namespace

const ArgumentKind kInt32ArgumentKind{&RenderInteger<int32_t>, &IntegerToInt32<int32_t>, true, "dciouxX", ""};
const ArgumentKind kUInt32ArgumentKind{&RenderInteger<uint32_t>, &IntegerToInt32<uint32_t>, true, "ucdioxX", ""};
const ArgumentKind kInt64ArgumentKind{&RenderInteger<int64_t>, &IntegerToInt32<int64_t>, true, "dciouxX", "ll"};
const ArgumentKind kUInt64ArgumentKind{&RenderInteger<uint64_t>, &IntegerToInt32<uint64_t>, true, "ucdioxX", "ll"};
const ArgumentKind kCharArgumentKind{&RenderInteger<char>, &CharToInt32, true, "cdiouxX", ""};
const ArgumentKind kDoubleArgumentKind{&RenderDouble, &NoInt32, false, "gaefGAEF", ""};
const ArgumentKind kCStringArgumentKind{&RenderCString, &NoInt32, false, "s", ""};
const ArgumentKind kStringArgumentKind{&RenderString, &NoInt32, false, "s", ""};
const ArgumentKind kVersionArgumentKind{&RenderVersion, &NoInt32, false, "s", ""};
const ArgumentKind kTextPairArgumentKind{&RenderTextPair, &NoInt32, false, "s", ""};

std::size_t FormatToBuffer(char* buffer, std::size_t capacity, std::string_view pattern,
                           const FormatArgument* arguments, uint32_t argumentCount) {
  if (buffer == nullptr || capacity == 0) {
    return 0;
  }
  if (arguments == nullptr) {
    argumentCount = 0;
  }
  std::size_t written = 0;
  std::size_t next = 0;
  uint32_t sequential = 1;
  while (next < pattern.size() && written < capacity) {
    const char c = pattern[next];
    if (c != '%') {
      buffer[written++] = c;
      ++next;
      continue;
    }
    if (next + 1 < pattern.size() && pattern[next + 1] == '%') {
      buffer[written++] = '%';
      next += 2;
      continue;
    }
    const detail::Placeholder placeholder =
        detail::ReadPlaceholder(pattern, next, argumentCount, sequential);
    if (placeholder.tooLong || placeholder.argumentIndex == 0 ||
        placeholder.argumentIndex > argumentCount) {
      break;
    }
    ConversionContext context;
    bool usable = true;
    for (uint32_t i = 0; i < placeholder.starCount; ++i) {
      const uint32_t index = placeholder.starIndices[i];
      if (index == 0 || index > argumentCount || arguments[index - 1].kind == nullptr ||
          !arguments[index - 1].kind->maySupplyStar) {
        usable = false;
        break;
      }
      context.starValues[i] = arguments[index - 1].kind->toInt32(arguments[index - 1].value);
    }
    if (!usable) {
      break;
    }
    const FormatArgument& argument = arguments[placeholder.argumentIndex - 1];
    if (argument.kind == nullptr) {
      break;
    }
    context.output = buffer + written;
    context.written = written;
    context.spaceLeft = capacity - written;
    context.specification = placeholder.Specification();
    context.acceptedLetters = argument.kind->acceptedLetters;
    context.bareModifier = argument.kind->bareModifier;
    context.value = argument.value;
    context.starCount = placeholder.starCount;
    written += std::min(argument.kind->render(context), context.spaceLeft);
    next = placeholder.end;
  }
  const std::size_t length = std::min(written, capacity - 1);
  buffer[length] = '\0';
  return length;
}

std::string FormatArgumentsToText(std::string_view pattern, const FormatArgument* arguments,
                                  uint32_t argumentCount) {
  char buffer[kFormatTextCapacity];
  const std::size_t length = FormatToBuffer(buffer, sizeof buffer, pattern, arguments, argumentCount);
  return std::string(buffer, length);
}

std::string VersionToText(const Version& version) {
  char buffer[kVersionNumbersCapacity];
  const TextPieces text = VersionPieces(version, VersionNumbers(version, buffer));
  std::string result(text.Length(), '\0');
  text.CopyPrefix(result.data(), result.size());
  return result;
}

}  // namespace Vela
