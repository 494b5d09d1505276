// Failures of outbound calls: a Failure structure whose "error" field is a message rendered
// from a named template (util/named_template.h), with the template's named values and, for
// failures that answer an HTTP status, that status beside them.
//
//   BindingProperty failure = MakeCallFailure(kErrorResponseTemplate,
//                                             {"GET", "/arx-login/v1/session", "Not found"}, 404);
//   Failure::MessageOf(failure);       // "Error response for GET /arx-login/v1/session: Not found"
//   FailureStatusCode(failure);        // 404
//   FailureNamedValues(failure).FieldOrEmpty("errorCode_int").GetSignedOr(0);  // 404
//
// Layout of the structure: "error" (String, the message), "namedValues" (Structure, one
// field per named value: Bool, Signed, Unsigned, Float or String by the value's kind) and,
// when a status was given, "statusCode" (Unsigned).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "binding/binding_property.h"

namespace Vela {

inline constexpr std::string_view kFailureNamedValuesField = "namedValues";
inline constexpr std::string_view kFailureStatusCodeField = "statusCode";
// The named value under which a failure's status code is recorded as well.
inline constexpr std::string_view kErrorCodeNamedValue = "errorCode_int";

// Renders `pattern` with the texts of `arguments` (placeholder order) into a failure; a
// `statusCode` of 0 means none.
[[nodiscard]] BindingProperty MakeCallFailure(std::string_view pattern,
                                              std::initializer_list<std::string_view> arguments,
                                              uint32_t statusCode = 0);

// The status code the failure keeps; 0 when it has none.
[[nodiscard]] uint32_t FailureStatusCode(const BindingProperty& failure) noexcept;
// The named values; the shared Empty value when the failure has none.
[[nodiscard]] const BindingProperty& FailureNamedValues(const BindingProperty& failure) noexcept;

}  // namespace Vela
