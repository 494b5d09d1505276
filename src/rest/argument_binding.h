// Argument binding: how one key and value text of a request (a header, a path capture, a
// query pair) become a parameter value of the call.
//
//   BindArgument(call, binding, "filter.tags.0", "ranked", "", ParameterLocation::Query);
//   // call.parameters[i of "filter"]["tags"][0] == "ranked"
//
// Key grammar: the text before the first "." names the parameter; every further
// "."-separated component walks into the value: a component starting with a decimal digit
// is a collection index (base 10, 16 with "0x", 8 with a leading "0"; below 2^31), any
// other names a structure field. Missing fields and elements are created.
//
// Value texts are decoded by content type (compared case-insensitively over the length of
// each known type): MessagePack, JSON, YAML, raw bytes (application/octet-stream) or, for
// anything else, a String left for the invoker to convert. With no content type, a whole
// parameter of type object, vector or struct is sniffed: a first byte 0x80-0x9F or
// 0xDC-0xDF means MessagePack, "{" or "[" (after white space) JSON, "---" YAML.
//
// Every function here does nothing once `call.status` has failed, and records the first
// failure in it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "rest/function_binding.h"
#include "rest/rest_invoker.h"

namespace Vela {

namespace RestMessage {
inline constexpr std::string_view kInvalidFunction = "Invalid function";
inline constexpr std::string_view kUnknownArgument = "Unknown argument '%1' for '%2'.";
inline constexpr std::string_view kInvalidLocation =
    "Argument '%1' for '%2' was specified in an invalid location.";
inline constexpr std::string_view kExpectedValue = "Expected value for argument '%1'.";
inline constexpr std::string_view kIndexIncorrectFormat = "Index %1 is in an incorrect format";
inline constexpr std::string_view kIndexOutOfRange = "Index %1 is out of range";
inline constexpr std::string_view kUnsupportedBodyContentType = "Unsupported body content type";
// The spelling is the one callers compare against.
inline constexpr std::string_view kExtraMessagePackData = "Extra MessgePack data found in body";
inline constexpr std::string_view kJsonDeserializeFailed =
    "Couldn't deserialize JSON value for parameter '%1' of '%2': %3";
inline constexpr std::string_view kMessagePackDeserializeFailed =
    "Couldn't deserialize MessagePack value for parameter '%1' of '%2': %3";
inline constexpr std::string_view kYamlDeserializeFailed =
    "Couldn't deserialize YAML value for parameter '%1' of '%2': %3";
}  // namespace RestMessage

// Binds one key and value text from `location` (Query, Path or Header). `call.parameters`
// must hold one value per parameter of the binding's function.
void BindArgument(RestCallState& call, const FunctionBinding& binding, std::string_view key,
                  std::string_view valueText, std::string_view contentType,
                  ParameterLocation location);

// Decodes a request body into the first parameter located in the body; does nothing when
// there is no such parameter or no body.
void BindBody(RestCallState& call, const FunctionBinding& binding, std::string_view contentType,
              std::span<const uint8_t> body);

}  // namespace Vela
