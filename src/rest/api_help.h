// API help: a description of the functions, types and events of the module as one
// BindingProperty, in the Full format (structures of the registered help types,
// binding/binding_help_types.h) or the Epytext format (one text per item, epytext.h).
//
//   BindingResult help = DescribeApi(api, BindingHelpFormat::Epytext);
//   help.value().FieldOrEmpty("types").FieldOrEmpty("BindingAsyncState").GetStringOr("");
//
// The result is a Structure with the fields "functions", "types" and "events"; each list
// is sorted by name, byte-wise. Full makes each field a Collection of converted help
// structures; Epytext makes each field a Structure from item name to text. Any other
// format value leaves the three fields Empty.
#pragma once

#include <span>
#include <string>

#include "binding/binding_help_types.h"
#include "binding/maybe_type.h"
#include "binding/type_descriptor.h"

namespace Vela {

class ApiRegistry;
class BindingRegistry;
struct EventInfo;
struct FunctionRecord;
struct TypeInfo;

inline constexpr std::string_view kHelpFunctionsField = "functions";
inline constexpr std::string_view kHelpTypesField = "types";
inline constexpr std::string_view kHelpEventsField = "events";

// ("vector" / "map", the element's type) for containers; the registered name, or "enum" /
// "struct" when there is none, for enumerations and structures; the native type name of
// every other code.
BindingFullTypeIdentifier TypeIdentifierOf(const TypeDescriptor& type);

// The registered name of an asynchronous function's event type (its identity's name when
// the type is not registered); empty when the function is not asynchronous. The API
// description block shows the same name.
std::string AsyncTypeNameOf(const FunctionRecord& function, const BindingRegistry& registry);

// The native help structures of one item. `registry` names the asynchronous event type of
// a function and the payload type of an event.
BindingFullFunctionHelp FunctionHelpOf(const FunctionRecord& function,
                                       const BindingRegistry& registry);
BindingFullTypeHelp TypeHelpOf(const TypeInfo& type);
BindingFullEventHelp EventHelpOf(const EventInfo& event, const BindingRegistry& registry);

// Fails only in the Full format, with the conversion's message, when `registry` does not
// hold the help types (it was never initialised).
[[nodiscard]] BindingResult DescribeApi(std::span<const FunctionRecord* const> functions,
                                        std::span<const TypeInfo* const> types,
                                        std::span<const EventInfo* const> events,
                                        BindingHelpFormat format,
                                        const BindingRegistry& registry);

// Everything the API registry holds: its functions, registered types and events.
[[nodiscard]] BindingResult DescribeApi(const ApiRegistry& api, BindingHelpFormat format);

}  // namespace Vela
