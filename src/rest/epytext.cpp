#include "rest/epytext.h"

#include <algorithm>
#include <span>
#include <vector>

#include "binding/event_info.h"
#include "binding/type_info.h"
#include "rest/function_record.h"

namespace Vela {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kParagraphEnd = "\r\n\r\n";

// The element of a vector or map, described on its own.
TypeDescriptor ElementOf(const TypeDescriptor& container) {
  return {container.elementCode, TypeCode::None, container.info};
}

void AppendDescription(std::string& text, std::string_view description) {
  if (description.empty()) return;
  text += EscapeEpytext(description);
  text += kParagraphEnd;
}

void AppendTags(std::string& text, std::span<const std::string> tags) {
  if (tags.empty()) return;
  text += "@tags: ";
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (i != 0) text += ',';
    text += tags[i];
  }
  text += kLineEnd;
}

// "@type name: list[L{Card}]\r\n"
void AppendTypeLine(std::string& text, std::string_view name, const TypeDescriptor& type) {
  text += "@type ";
  text += name;
  text += ": ";
  text += EpytextTypeName(type);
  text += kLineEnd;
}

std::string StructureEpytext(const TypeInfo& type) {
  std::string text;
  AppendDescription(text, type.description);
  for (const FieldRecord& field : type.fields) {
    text += "@ivar ";
    text += field.name;
    text += ": ";
    text += field.description;
    text += kLineEnd;
    AppendTypeLine(text, field.name, ShownDescriptor(field.type, field.elementType));
  }
  AppendTags(text, type.tags);
  return text;
}

std::string EnumerationEpytext(const TypeInfo& type) {
  std::string text;
  AppendDescription(text, type.description);
  // The value map is ordered by name; the text lists values by number (ties by name).
  std::vector<const EnumValueRecord*> values;
  values.reserve(type.values.size());
  for (const auto& [name, value] : type.values) values.push_back(&value);
  std::stable_sort(values.begin(), values.end(),
                   [](const EnumValueRecord* a, const EnumValueRecord* b) { return a->value < b->value; });
  for (const EnumValueRecord* value : values) {
    text += "@cvar ";
    text += value->name;
    text += ": (";
    text += std::to_string(value->value);
    text += ')';
    if (!value->description.empty()) {
      text += ' ';
      text += value->description;
    }
    text += kLineEnd;
  }
  AppendTags(text, type.tags);
  text += "@size: ";
  text += std::to_string(type.size);
  text += kLineEnd;
  return text;
}

}  // namespace

std::string EscapeEpytext(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  if (!text.empty() && text.front() == '-') {
    // A leading "-" would start a list item.
    escaped += "E{-}";
    text.remove_prefix(1);
  }
  for (const char c : text) {
    if (c == '{') {
      escaped += "E{lb}";
    } else if (c == '}') {
      escaped += "E{rb}";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string EpytextTypeName(const TypeDescriptor& type) {
  switch (ClassifyTypeCode(type.code)) {
    case TypeCodeClass::Plain:
      return type.code == TypeCode::Blob ? std::string("bytearray") : std::string(TypeCodeName(type.code));
    case TypeCodeClass::Sequence:
      return "list[" + EpytextTypeName(ElementOf(type)) + "]";
    case TypeCodeClass::Dictionary:
      return "dict[" + EpytextTypeName(ElementOf(type)) + "]";
    case TypeCodeClass::Registered:
      return "L{" + (type.info != nullptr ? type.info->name : std::string()) + "}";
    case TypeCodeClass::Undescribed:
      return {};
  }
  return {};  // unreachable: every class returns above
}

std::string FunctionEpytext(const FunctionRecord& function) {
  std::string text;
  AppendDescription(text, function.description);
  AppendDescription(text, function.help);
  for (const ParameterRecord& parameter : function.parameters) {
    if (!parameter.description.empty()) {
      text += "@param ";
      text += parameter.name;
      text += ": ";
      if (parameter.optional) text += "(optional) ";
      text += EscapeEpytext(parameter.description);
      text += kLineEnd;
    }
    AppendTypeLine(text, parameter.name, ShownDescriptor(parameter.type, parameter.elementType));
  }
  const TypeDescriptor& returns = ShownDescriptor(function.returnType, function.returnElementType);
  if (returns.code != TypeCode::None) {
    text += "@rtype: ";
    text += EpytextTypeName(returns);
    text += kLineEnd;
  }
  AppendTags(text, function.tags);
  if (function.threadSafe) {
    text += "@threadsafe: true";
    text += kLineEnd;
  }
  if (function.isAsync) {
    text += "@async: ";
    text += EpytextTypeName(returns);
    text += kLineEnd;
  }
  return text;
}

std::string TypeEpytext(const TypeInfo& type) {
  return type.isEnum ? EnumerationEpytext(type) : StructureEpytext(type);
}

std::string EventEpytext(const EventInfo& event) {
  std::string text;
  AppendDescription(text, event.description);
  AppendTags(text, event.tags);
  return text;
}

}  // namespace Vela
