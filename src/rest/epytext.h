// Epytext help texts: one text in epytext markup per function, structure, enumeration or
// event, as the Epytext help format lists them (api_help.h).
//
//   std::string text = FunctionEpytext(function);
//   // "Bans a player.\r\n\r\n@param id: The ban's id\r\n@type id: uint32\r\n@rtype: L{Ban}\r\n"
//
// Every line ends with "\r\n"; a description paragraph is followed by an empty line.
// Descriptions and help texts of functions, types and events are escaped; the texts of
// fields and enumeration values are written as registered.
#pragma once

#include <string>
#include <string_view>

#include "binding/type_descriptor.h"

namespace Vela {

struct EventInfo;
struct FunctionRecord;
struct TypeInfo;

// A leading "-" becomes "E{-}", every "{" "E{lb}" and every "}" "E{rb}".
std::string EscapeEpytext(std::string_view text);

// "bool" .. "object" for codes 1..13, "bytearray", "list[<element>]", "L{<type name>}" for
// enumerations and structures (empty braces when the type is not registered), "callback",
// "dict[<element>]"; the empty text for code None.
std::string EpytextTypeName(const TypeDescriptor& type);

// The empty text for a function without description, help, arguments, return type, tags,
// thread safety or asynchrony.
std::string FunctionEpytext(const FunctionRecord& function);
// A structure's or an enumeration's text, by the kind of the type.
std::string TypeEpytext(const TypeInfo& type);
std::string EventEpytext(const EventInfo& event);

}  // namespace Vela
