#include "rest/api_help.h"

#include <algorithm>
#include <string>
#include <vector>

#include "binding/binding_registry.h"
#include "binding/event_info.h"
#include "binding/native_type.h"
#include "binding/type_identity.h"
#include "binding/type_info.h"
#include "rest/api_registry.h"
#include "rest/epytext.h"
#include "rest/function_record.h"

namespace Vela {

namespace {

// The items ordered by name, byte-wise; items of equal names keep their order.
template <class Item>
std::vector<const Item*> SortedByName(std::span<const Item* const> items) {
  std::vector<const Item*> sorted;
  sorted.reserve(items.size());
  for (const Item* item : items) {
    if (item != nullptr) sorted.push_back(item);
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Item* a, const Item* b) { return a->name < b->name; });
  return sorted;
}

// Appends the converted help structure of each item; false (with `status` failed) when a
// conversion fails.
template <class Item, class MakeHelp>
bool AppendFull(BindingProperty& list, std::span<const Item* const> items, MakeHelp makeHelp,
                const BindingRegistry& registry, BindingResult& status) {
  list.MakeCollection();
  for (const Item* item : SortedByName(items)) {
    BindingResult converted = ToBinding(makeHelp(*item), registry);
    if (!converted.ok()) {
      status.SetFailure(converted.message());
      return false;
    }
    list.Append() = std::move(converted).value();
  }
  return true;
}

template <class Item, class MakeText>
void AppendEpytext(BindingProperty& texts, std::span<const Item* const> items,
                   MakeText makeText) {
  texts.MakeStructure();
  for (const Item* item : SortedByName(items)) texts.MutableField(item->name) = makeText(*item);
}

}  // namespace

std::string AsyncTypeNameOf(const FunctionRecord& function, const BindingRegistry& registry) {
  if (!function.isAsync || function.asyncType == nullptr) return {};
  if (const TypeInfo* info = registry.FindType(*function.asyncType)) return info->name;
  return function.asyncType->name != nullptr ? std::string(function.asyncType->name) : std::string();
}

BindingFullTypeIdentifier TypeIdentifierOf(const TypeDescriptor& type) {
  switch (ClassifyTypeCode(type.code)) {
    case TypeCodeClass::Sequence:
    case TypeCodeClass::Dictionary:
      return {std::string(TypeCodeName(type.code)),
              TypeIdentifierOf({type.elementCode, TypeCode::None, type.info}).type};
    case TypeCodeClass::Registered:
      if (type.info != nullptr) return {type.info->name, {}};
      break;
    case TypeCodeClass::Plain:
    case TypeCodeClass::Undescribed:
      break;
  }
  return {std::string(TypeCodeName(type.code)), {}};
}

BindingFullFunctionHelp FunctionHelpOf(const FunctionRecord& function,
                                       const BindingRegistry& registry) {
  BindingFullFunctionHelp help;
  help.name = function.name;
  help.nameSpace = function.nameSpace;
  help.arguments.reserve(function.parameters.size());
  for (const ParameterRecord& parameter : function.parameters) {
    help.arguments.push_back({parameter.name, parameter.description,
                              TypeIdentifierOf(ShownDescriptor(parameter.type, parameter.elementType)),
                              parameter.optional});
  }
  help.returns = TypeIdentifierOf(ShownDescriptor(function.returnType, function.returnElementType));
  help.description = function.description;
  help.help = function.help;
  help.threadSafe = function.threadSafe;
  help.async = AsyncTypeNameOf(function, registry);
  help.tags = function.tags;
  return help;
}

BindingFullTypeHelp TypeHelpOf(const TypeInfo& type) {
  BindingFullTypeHelp help;
  help.name = type.name;
  help.nameSpace = type.nameSpace;
  help.size = type.size;
  help.description = type.description;
  help.tags = type.tags;
  help.fields.reserve(type.fields.size());
  for (const FieldRecord& field : type.fields) {
    help.fields.push_back({field.name, field.description, field.offset,
                           TypeIdentifierOf(ShownDescriptor(field.type, field.elementType)),
                           field.optional});
  }
  help.values.reserve(type.values.size());
  for (const auto& [name, value] : type.values) {
    help.values.push_back({value.name, value.description, value.value});
  }
  return help;
}

BindingFullEventHelp EventHelpOf(const EventInfo& event, const BindingRegistry& registry) {
  BindingFullEventHelp help;
  help.name = event.name;
  help.nameSpace = event.nameSpace;
  if (event.payloadType != nullptr) help.type = TypeIdentifierOf(registry.DescriptorOf(*event.payloadType));
  help.description = event.description;
  help.tags = event.tags;
  return help;
}

BindingResult DescribeApi(std::span<const FunctionRecord* const> functions,
                          std::span<const TypeInfo* const> types,
                          std::span<const EventInfo* const> events, BindingHelpFormat format,
                          const BindingRegistry& registry) {
  BindingProperty help;
  // All three fields exist before any is filled: a field reference may not survive
  // inserting another field, but it survives filling its own value.
  for (const std::string_view name : {kHelpFunctionsField, kHelpTypesField, kHelpEventsField}) {
    help.MutableField(name);
  }
  BindingProperty& functionList = help.MutableField(kHelpFunctionsField);
  BindingProperty& typeList = help.MutableField(kHelpTypesField);
  BindingProperty& eventList = help.MutableField(kHelpEventsField);
  BindingResult result = BindingResult::Ok();
  switch (format) {
    case BindingHelpFormat::Full: {
      const bool converted =
          AppendFull(functionList, functions,
                     [&](const FunctionRecord& f) { return FunctionHelpOf(f, registry); }, registry,
                     result) &&
          AppendFull(typeList, types, [](const TypeInfo& t) { return TypeHelpOf(t); }, registry,
                     result) &&
          AppendFull(eventList, events,
                     [&](const EventInfo& e) { return EventHelpOf(e, registry); }, registry, result);
      if (!converted) return result;
      break;
    }
    case BindingHelpFormat::Epytext:
      AppendEpytext(functionList, functions, FunctionEpytext);
      AppendEpytext(typeList, types, TypeEpytext);
      AppendEpytext(eventList, events, EventEpytext);
      break;
    default:  // a format value from outside: the three fields stay Empty
      break;
  }
  result.SetValue(std::move(help));
  return result;
}

BindingResult DescribeApi(const ApiRegistry& api, BindingHelpFormat format) {
  const BindingRegistry& registry = api.types();
  return DescribeApi(api.Functions(), registry.Types(), registry.Events(), format, registry);
}

}  // namespace Vela

