// The plugin's API as an OpenAPI 3.1 document, built from the description block the plugin
// hands the host in the handshake: what `arx-host describe --openapi` prints and what
// `arx-host serve` answers at GET /openapi.json.
//
//   BindingProperty document = OpenApiDocument(*outcome.api, {"arx-player-behavior", "18.0.0"});
//   std::cout << WriteJson(document, nullptr, "\n");
//
// - one operation per REST function, under its path template (a reserved "{+name}" or
//   fragment "{#name}" placeholder is written "{name}"), named by the function's name, with
//   a parameter per argument: in the path when its template names it, else where the
//   argument's location says ("any" is offered as a query parameter); body arguments are
//   the properties of a JSON request body;
// - a schema under components/schemas for every registered structure and enumeration, as
//   the JSON writer writes their values: enumerations as their value names, blobs as
//   Base64 strings, 64-bit integers as integers, optional fields not required and null when
//   absent, no member beyond the registered fields;
// - the success answer (200, the return type's schema) and the failure answers (400, 404,
//   500) with the body {"httpStatus", "message"} of the `ArxError` schema;
// - the module's events as `webhooks`, each a POST whose body is the event's payload.
//
// A type a function or event names but the block does not carry is described as any value,
// so the document never points at a schema it lacks.
#pragma once

#include <string>

#include "abi/api_description.h"
#include "binding/binding_property.h"
#include "plugin_host.h"

namespace Vela::Host {

struct OpenApiInfo {
  std::string title;    // the plugin's short name
  std::string version;  // "major.minor.patch"
};

[[nodiscard]] BindingProperty OpenApiDocument(const ApiDescription& api, const OpenApiInfo& info);
// The document of a plugin after its handshake, named by its short name and version; Empty
// when the plugin gave no description block.
[[nodiscard]] BindingProperty OpenApiDocument(const HandshakeOutcome& handshake);

}  // namespace Vela::Host
