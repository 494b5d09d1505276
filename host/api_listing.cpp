#include "api_listing.h"

#include <string_view>

#include "abi/type_code.h"
#include "scenario.h"

namespace Vela::Host {
namespace {

// The description block is the plugin's; a broken chain must not walk the host off into
// memory, so every walk is bounded by the block's counts and this.
constexpr uint32_t kMaxEntries = 100000;

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// Where a parameter may be given (ParameterLocation codes).
std::string_view LocationWord(uint32_t code) {
  switch (code) {
    case 0: return "any";
    case 1: return "query";
    case 2: return "path";
    case 4: return "header";
    case 5: return "body";
    default: return "unknown";
  }
}

std::string ElementText(uint32_t code, const char* typeName) {
  const auto type = static_cast<TypeCode>(code);
  if ((type == TypeCode::Enum || type == TypeCode::Struct) && typeName != nullptr && *typeName != '\0') return typeName;
  return std::string(TypeCodeName(code));
}

BindingProperty EmptyList() {
  BindingProperty list;
  list.MakeCollection();
  return list;
}

BindingProperty DescribeFunction(const RestFunctionRecord& record) {
  const FunctionDescription& description = record.description;
  BindingProperty function;
  function.MutableField("name") = Text(description.name);
  function.MutableField("method") = HttpMethodWord(record.method).empty() ? std::string("ANY")
                                                                            : std::string(HttpMethodWord(record.method));
  function.MutableField("path") = Text(record.pathTemplate);
  function.MutableField("returns") =
      TypeText(description.returnType, description.returnElementType, description.returnTypeName);
  function.MutableField("description") = Text(description.description);
  BindingProperty& arguments = function.MutableField("arguments");
  arguments.MakeCollection();
  const ParamLocationEntry* location = record.locations;
  uint32_t seen = 0;
  for (const ArgumentEntry* entry = description.args; entry != nullptr && seen < kMaxEntries; entry = entry->next, ++seen) {
    BindingProperty& argument = arguments.Append();
    argument.MutableField("name") = Text(entry->name);
    argument.MutableField("type") = TypeText(entry->type, entry->elementType, entry->typeName);
    argument.MutableField("location") = LocationWord(location != nullptr ? location->location : 0);
    argument.MutableField("optional") = entry->optional != 0;
    argument.MutableField("description") = Text(entry->description);
    if (location != nullptr) location = location->next;
  }
  return function;
}

BindingProperty DescribeType(const TypeRecord& record) {
  BindingProperty type;
  type.MutableField("name") = Text(record.name);
  type.MutableField("nameSpace") = Text(record.nameSpace);
  type.MutableField("size") = static_cast<uint64_t>(record.size);
  type.MutableField("kind") = record.fields != nullptr ? "struct" : (record.values != nullptr ? "enum" : "struct");
  if (record.fields != nullptr) {
    BindingProperty& fields = type.MutableField("fields");
    fields.MakeCollection();
    uint32_t seen = 0;
    for (const FieldEntry* entry = record.fields; entry != nullptr && seen < record.count && seen < kMaxEntries;
         entry = entry->next, ++seen) {
      BindingProperty& field = fields.Append();
      field.MutableField("name") = Text(entry->name);
      field.MutableField("type") = TypeText(entry->type, entry->elementType, entry->typeName);
      field.MutableField("offset") = static_cast<uint64_t>(entry->offset);
      field.MutableField("optional") = entry->optional != 0;
    }
  } else if (record.values != nullptr) {
    BindingProperty& values = type.MutableField("values");
    values.MakeCollection();
    uint32_t seen = 0;
    for (const EnumValueEntry* entry = record.values; entry != nullptr && seen < record.count && seen < kMaxEntries;
         entry = entry->next, ++seen) {
      BindingProperty& value = values.Append();
      value.MutableField("name") = Text(entry->name);
      value.MutableField("value") = static_cast<int64_t>(entry->value);
    }
  } else {
    type.MutableField("fields") = EmptyList();
  }
  return type;
}

BindingProperty DescribeEvent(const EventRecord& record) {
  BindingProperty event;
  event.MutableField("name") = Text(record.name);
  event.MutableField("nameSpace") = Text(record.nameSpace);
  event.MutableField("payload") = Text(record.payloadType);
  event.MutableField("description") = Text(record.description);
  return event;
}

std::string Column(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.resize(width, ' ');
  return padded;
}

std::string Text(const BindingProperty& value, std::string_view field) {
  return std::string(value.FieldOrEmpty(field).GetStringOr({}));
}

}  // namespace

std::string TypeText(uint32_t code, uint32_t elementCode, const char* typeName) {
  const auto type = static_cast<TypeCode>(code);
  if (type == TypeCode::Vector) return "vector<" + ElementText(elementCode, typeName) + ">";
  if (type == TypeCode::Map) return "map<string, " + ElementText(elementCode, typeName) + ">";
  return ElementText(code, typeName);
}

BindingProperty DescribeApi(const ApiDescription& api) {
  BindingProperty described;
  BindingProperty& functions = described.MutableField("functions");
  functions.MakeCollection();
  for (uint32_t i = 0; api.functions != nullptr && i < api.functionCount && i < kMaxEntries; ++i) {
    functions.Append() = DescribeFunction(api.functions[i]);
  }
  BindingProperty& types = described.MutableField("types");
  types.MakeCollection();
  for (uint32_t i = 0; api.types != nullptr && i < api.typeCount && i < kMaxEntries; ++i) {
    types.Append() = DescribeType(api.types[i]);
  }
  BindingProperty& events = described.MutableField("events");
  events.MakeCollection();
  for (uint32_t i = 0; api.events != nullptr && i < api.eventCount && i < kMaxEntries; ++i) {
    events.Append() = DescribeEvent(api.events[i]);
  }
  return described;
}

std::string ApiListingText(const BindingProperty& described) {
  std::string text;
  const BindingProperty& functions = described.FieldOrEmpty("functions");
  text += "REST functions (" + std::to_string(functions.size()) + ")\n";
  for (const BindingProperty& function : functions.Elements()) {
    text += "  " + Column(Text(function, "method"), 8) + Text(function, "path");
    const std::string returns = Text(function, "returns");
    text += " -> " + (returns.empty() ? std::string("nothing") : returns);
    text += "  [" + Text(function, "name") + "]\n";
    for (const BindingProperty& argument : function.FieldOrEmpty("arguments").Elements()) {
      text += "      " + Text(argument, "name") + ": " + Text(argument, "type") + ", in " + Text(argument, "location");
      if (argument.FieldOrEmpty("optional").GetBoolOr(false)) text += ", optional";
      text += "\n";
    }
  }
  const BindingProperty& types = described.FieldOrEmpty("types");
  text += "\nTypes (" + std::to_string(types.size()) + ")\n";
  for (const BindingProperty& type : types.Elements()) {
    const bool isEnum = Text(type, "kind") == "enum";
    text += "  " + Text(type, "name") + "  " + (isEnum ? std::string("enumeration") : std::string("structure"));
    if (!isEnum) text += ", " + std::to_string(type.FieldOrEmpty("size").GetUnsignedOr(0)) + " bytes";
    if (!Text(type, "nameSpace").empty()) text += ", " + Text(type, "nameSpace");
    text += "\n";
    for (const BindingProperty& field : type.FieldOrEmpty("fields").Elements()) {
      text += "      " + Column(Text(field, "name"), 30) + Column(Text(field, "type"), 28) + "@" +
              std::to_string(field.FieldOrEmpty("offset").GetUnsignedOr(0));
      if (field.FieldOrEmpty("optional").GetBoolOr(false)) text += "  optional";
      text += "\n";
    }
    for (const BindingProperty& value : type.FieldOrEmpty("values").Elements()) {
      text += "      " + Text(value, "name") + " = " + std::to_string(value.FieldOrEmpty("value").GetSignedOr(0)) + "\n";
    }
  }
  const BindingProperty& events = described.FieldOrEmpty("events");
  text += "\nEvents (" + std::to_string(events.size()) + ")\n";
  for (const BindingProperty& event : events.Elements()) {
    text += "  " + Text(event, "name") + " (" + Text(event, "payload") + ")";
    if (!Text(event, "description").empty()) text += ": " + Text(event, "description");
    text += "\n";
  }
  return text;
}

}  // namespace Vela::Host
