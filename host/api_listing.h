// The plugin's API as the handshake's description block gives it — REST functions with
// their arguments and return types, types with their fields or enumeration values, events
// — as a value (for JSON) and as a listing for people. What `arx-host describe` prints.
//
//   BindingProperty api = DescribeApi(*host.api());
//   std::cout << ApiListingText(api);
//
// The value: {functions: [{name, method, path, arguments: [{name, type, location,
// optional, description}], returns, description}], types: [{name, nameSpace, size, kind,
// fields: [{name, type, offset, optional}] | values: [{name, value}]}], events: [{name,
// nameSpace, payload, description}]}.
#pragma once

#include <string>

#include "abi/api_description.h"
#include "binding/binding_property.h"

namespace Vela::Host {

[[nodiscard]] BindingProperty DescribeApi(const ApiDescription& api);

// The listing: a section per part, one line per function, type, field, value and event.
[[nodiscard]] std::string ApiListingText(const BindingProperty& described);

// "vector<ReformCardChatLogs>", "map<string, string>", "BanNotification", "uint64"; the
// empty text for type code 0.
[[nodiscard]] std::string TypeText(uint32_t code, uint32_t elementCode, const char* typeName);

}  // namespace Vela::Host
