// Values to and from the host form (abi/host_value.h), and the release of what the plugin
// allocated for one.
//
// The value model's own edge to the host: the dispatch, the outbound calls, the events and
// the development host convert here, and the native converters write the same form straight
// from a record (binding/native_to_host.h), which is why this sits with the value model
// rather than above it. Blocks come from the framework's allocation functions.
//
//   HostBindingValue out{};
//   ToHostValue(BindingProperty("text"), out);
//   BindingResult back = FromHostValue(out, "<result>");
//   ReleaseHostValue(out);
#pragma once

#include <cstdint>
#include <string_view>

#include "abi/host_value.h"
#include "binding/maybe_type.h"

namespace Vela {

class EnumNameLookup;

// The failure of FromHostValue for a type code outside 0..10: %1 the caller's path, %2 the
// host type name.
inline constexpr std::string_view kHostValueIncompatibleMessage =
    "Couldn't assign value to '%1' of type object because the input is of an incompatible "
    "type '%2'.";

// "bool", "signed", "unsigned", "float", "string", "blob", "collection", "structure";
// the empty text for any other code.
std::string_view HostValueTypeName(uint32_t type);

// Converts a value to the host form; cannot fail. With `enums`, an Enum whose value has a
// registered name becomes that name as a String.
void ToHostValue(const BindingProperty& value, HostBindingValue& out,
                 const EnumNameLookup* enums = nullptr);

// Converts from the host form; `path` names the value in the failure message.
BindingResult FromHostValue(const HostBindingValue& value, std::string_view path);

// Frees what the plugin allocated for a host value and leaves it Empty.
void ReleaseHostValue(HostBindingValue& value);

// Fills a host result record: an ok result becomes its host value; a failure releases the
// value part, stores an owned copy of the message as the error text and sets the flag.
void StoreResultInHostRecord(HostResultHead& head, const BindingResult& result,
                             const EnumNameLookup* enums = nullptr);

}  // namespace Vela
