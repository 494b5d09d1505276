#include "util/named_template.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "util/format_text.h"
#include "util/placeholder_parser.h"

namespace Vela {
namespace {

constexpr std::string_view kTextConversion = "str";
constexpr std::string_view kHexConversion = "hex";
constexpr std::string_view kHexFormat = "016llX";
constexpr std::string_view kTypedSuffixes[] = {"bool", "int", "long", "float", "str", "time", "ip"};

// What one placeholder collected while it was read.
struct PlaceholderRecord {
  std::string name;
  std::string defaultText;
  std::string format;
  std::string conversion;
  bool typedKey = false;
  bool hidden = false;
  bool hasDefault = false;
  bool hasFormat = false;
  bool printf = false;
  bool hasConversion = false;
};

std::string TypedSuffix(TypedArgumentKind kind) {
  switch (kind) {
    case TypedArgumentKind::Bool:
      return "_bool";
    case TypedArgumentKind::Signed:
    case TypedArgumentKind::Unsigned:
      return "_int";
    case TypedArgumentKind::Double:
      return "_float";
    case TypedArgumentKind::Text:
      return "_str";
  }
  return {};
}

bool HasTypedSuffix(std::string_view name) {
  const std::size_t underscore = name.rfind('_');
  if (underscore == std::string_view::npos) {
    return false;
  }
  const std::string_view suffix = name.substr(underscore + 1);
  return std::find(std::begin(kTypedSuffixes), std::end(kTypedSuffixes), suffix) != std::end(kTypedSuffixes);
}

bool IsEmptyValue(const TypedArgument& argument) {
  switch (argument.kind()) {
    case TypedArgumentKind::Bool:
      return !argument.GetBool();
    case TypedArgumentKind::Signed:
      return argument.GetSigned() == 0;
    case TypedArgumentKind::Unsigned:
      return argument.GetUnsigned() == 0;
    case TypedArgumentKind::Double:
      return argument.GetDouble() == 0.0;
    case TypedArgumentKind::Text:
      return argument.GetText().empty();
  }
  return false;
}

// "@str": the argument as text.
TypedArgument AsText(const TypedArgument& argument) {
  switch (argument.kind()) {
    case TypedArgumentKind::Bool:
      return TypedArgument::Text(argument.GetBool() ? "true" : "false");
    case TypedArgumentKind::Signed:
      return TypedArgument::Text(std::to_string(argument.GetSigned()));
    case TypedArgumentKind::Unsigned:
      return TypedArgument::Text(std::to_string(argument.GetUnsigned()));
    case TypedArgumentKind::Double:
      return TypedArgument::Text(FormatText("%f", argument.GetDouble()));
    case TypedArgumentKind::Text:
      return argument;
  }
  return argument;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

class NamedTemplateReader {
 public:
  NamedTemplateReader(std::string_view pattern, std::span<const TypedArgument> arguments,
                      std::string& positional, NamedValues& namedValues)
      : pattern_(pattern), arguments_(arguments), positional_(positional), namedValues_(namedValues) {}

  void Read() {
    positional_.clear();
    std::size_t i = 0;
    while (i < pattern_.size()) {
      i = inPlaceholder_ ? ReadInside(i) : ReadOutside(i);
    }
    // An unterminated placeholder is dropped with whatever it collected.
  }

 private:
  uint32_t ArgumentCount() const { return static_cast<uint32_t>(arguments_.size()); }

  std::size_t ReadOutside(std::size_t i) {
    const char c = pattern_[i];
    const bool hasNext = i + 1 < pattern_.size();
    if (c == '%') {
      if (hasNext && pattern_[i + 1] == '%') {
        positional_ += "%%";
        return i + 2;
      }
      return ReadConversion(i);
    }
    if (c == '{') {
      if (hasNext && pattern_[i + 1] == '{') {
        positional_ += '{';
        return i + 2;
      }
      inPlaceholder_ = true;
      record_ = PlaceholderRecord{};
      if (hasNext && pattern_[i + 1] == '#') {
        record_.typedKey = true;
        return i + 2;
      }
      return i + 1;
    }
    if (c == '}') {
      positional_ += '}';
      return hasNext && pattern_[i + 1] == '}' ? i + 2 : i + 1;
    }
    positional_ += c;
    return i + 1;
  }

  // A printf conversion outside braces: copied unchanged, and its argument processed.
  std::size_t ReadConversion(std::size_t percent) {
    uint32_t sequential = counter_;
    const detail::Placeholder placeholder =
        detail::ReadPlaceholder(pattern_, percent, ArgumentCount(), sequential);
    PlaceholderRecord record;
    record.format = std::string(pattern_.substr(percent, placeholder.end - percent));
    record.hasFormat = true;
    record.printf = true;
    const uint32_t index = placeholder.argumentIndex;
    if (index >= 1 && index <= ArgumentCount()) {
      Process(record, index);
    }
    counter_ = index + 1;
    return placeholder.end;
  }

  std::string& Target() {
    if (record_.hasFormat) {
      return record_.format;
    }
    if (record_.hasConversion) {
      return record_.conversion;
    }
    if (record_.hasDefault) {
      return record_.defaultText;
    }
    return record_.name;
  }

  std::size_t ReadInside(std::size_t i) {
    const char c = pattern_[i];
    switch (c) {
      case '!':
        record_.hidden = true;
        return i + 1;
      case ':':
        record_.hasFormat = true;
        return i + 1;
      case '?':
        record_.hasDefault = true;
        return i + 1;
      case '@':
        record_.hasConversion = true;
        return i + 1;
      case '\\':
        if (i + 1 >= pattern_.size()) {
          return pattern_.size();  // ends the reading
        }
        Target() += pattern_[i + 1];
        return i + 2;
      case '{':
        return i + 1;
      case '}':
        if (counter_ >= 1 && counter_ <= ArgumentCount()) {
          Process(record_, counter_);
        }
        record_ = PlaceholderRecord{};
        inPlaceholder_ = false;
        ++counter_;
        return i + 1;
      default:
        Target() += c;
        return i + 1;
    }
  }

  void Process(PlaceholderRecord& record, uint32_t index) {
    TypedArgument argument = arguments_[index - 1];

    if (record.hasConversion && record.conversion == kTextConversion) {
      argument = AsText(argument);
    } else if (record.hasConversion && record.conversion == kHexConversion &&
               (argument.kind() == TypedArgumentKind::Signed ||
                argument.kind() == TypedArgumentKind::Unsigned)) {
      const uint64_t bits = argument.kind() == TypedArgumentKind::Signed
                                ? static_cast<uint64_t>(argument.GetSigned())
                                : argument.GetUnsigned();
      argument = TypedArgument::Text(FormatText("%016llX", bits));
      record.format = std::string(kHexFormat);
      record.hasFormat = true;
    }

    if (record.typedKey && !HasTypedSuffix(record.name)) {
      record.name += TypedSuffix(argument.kind());
    }

    if (record.hasDefault && IsEmptyValue(argument)) {
      positional_ += record.defaultText;
      return;
    }

    if (!record.name.empty()) {
      namedValues_.insert_or_assign(record.name, std::move(argument));
    }

    if (record.hidden) {
      while (!positional_.empty() && IsWhiteSpace(positional_.back())) {
        positional_.pop_back();
      }
    } else if (record.printf) {
      positional_ += record.format;
    } else {
      positional_ += '%';
      positional_ += std::to_string(index);
      // "{x:}" gives no format: a lone "$" would swallow the next character as a letter.
      if (record.hasFormat && !record.format.empty()) {
        positional_ += '$';
        positional_ += record.format;
      }
    }
  }

  std::string_view pattern_;
  std::span<const TypedArgument> arguments_;
  std::string& positional_;
  NamedValues& namedValues_;
  PlaceholderRecord record_;
  bool inPlaceholder_ = false;
  uint32_t counter_ = 1;
};

}  // namespace

void ParseNamedTemplate(std::string_view pattern, std::span<const TypedArgument> arguments,
                        std::string& positionalTemplate, NamedValues& namedValues) {
  const std::size_t wanted = std::max<std::size_t>(
      8, static_cast<std::size_t>(std::ceil(static_cast<double>(arguments.size() + namedValues.size()) /
                                            namedValues.max_load_factor())));
  namedValues.rehash(wanted);
  NamedTemplateReader(pattern, arguments, positionalTemplate, namedValues).Read();
}

std::string FormatTypedArguments(std::string_view positionalTemplate,
                                 std::span<const TypedArgument> arguments) {
  // Each argument's value must outlive the rendering: keep them in one place.
  struct Held {
    int32_t flag = 0;
    int64_t signedValue = 0;
    uint64_t unsignedValue = 0;
    double doubleValue = 0;
    std::string_view text;
  };
  std::vector<Held> held(arguments.size());
  std::vector<FormatArgument> list(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const TypedArgument& argument = arguments[i];
    Held& value = held[i];
    switch (argument.kind()) {
      case TypedArgumentKind::Bool:
        value.flag = argument.GetBool() ? 1 : 0;
        list[i] = {&value.flag, &kInt32ArgumentKind};
        break;
      case TypedArgumentKind::Signed:
        value.signedValue = argument.GetSigned();
        list[i] = {&value.signedValue, &kInt64ArgumentKind};
        break;
      case TypedArgumentKind::Unsigned:
        value.unsignedValue = argument.GetUnsigned();
        list[i] = {&value.unsignedValue, &kUInt64ArgumentKind};
        break;
      case TypedArgumentKind::Double:
        value.doubleValue = argument.GetDouble();
        list[i] = {&value.doubleValue, &kDoubleArgumentKind};
        break;
      case TypedArgumentKind::Text:
        value.text = argument.GetText();
        list[i] = {&value.text, &kStringArgumentKind};
        break;
    }
  }
  return FormatArgumentsToText(positionalTemplate, list.data(), static_cast<uint32_t>(list.size()));
}

std::string FormatNamedTemplate(std::string_view pattern, std::span<const TypedArgument> arguments,
                                NamedValues& namedValues) {
  std::string positional;
  ParseNamedTemplate(pattern, arguments, positional, namedValues);
  // The same arguments as the template was read with: "@hex" relies on it, its format
  // "016llX" turning the original integer into the digits.
  return FormatTypedArguments(positional, arguments);
}

}  // namespace Vela
