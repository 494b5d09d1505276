// Assertion reports: a violated expectation becomes one multi-line " ERROR" line in group
// DBG of the log; a fatal one then ends the process.
//
// The expression field carries an identifier "ALE-" plus eight upper-case letters or
// digits, so that a report can be traced to the one place that raised it:
//
//   if (!compatible) FatalAssertion(kAssertIncompatiblePluginApi, "", "", 0, "");
//
// produces the text "Assertion failed!\n\nExpression: ALE-EECF0606".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Vela {

// Awaiting a future raised std::future_error. Fatal.
inline constexpr std::string_view kAssertFutureError = "ALE-6D828C10";
// A time failed to break down into UTC calendar time. Not fatal.
inline constexpr std::string_view kAssertUtcBreakdown = "ALE-8A14EBBK";
// The host's plugin API version is not compatible. Fatal.
inline constexpr std::string_view kAssertIncompatiblePluginApi = "ALE-EECF0606";
// The value of a failed MaybeType was read (binding/maybe_type.h). Not fatal.
inline constexpr std::string_view kAssertValueOfFailure = "ALE-3F0A1C7E";

// True for "ALE-" followed by exactly eight upper-case letters or digits.
constexpr bool IsAssertionIdentifier(std::string_view text) {
  if (text.size() != 12 || text.substr(0, 4) != "ALE-") return false;
  for (char c : text.substr(4)) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// "Assertion failed!" and two newlines, then each part that is present (non-empty, or a
// non-zero line): "File: <file>\n", "Line: <line>\n\n", "Function: <function>\n\n",
// "Expression: <expression>", "\n\nDescription: <description>".
[[nodiscard]] std::string AssertionText(std::string_view expression, std::string_view file, int32_t line,
                                        std::string_view function, std::string_view description);

// Logs AssertionText at level 2 (ERROR) in group DBG through the format "%s"; the caller
// carries on. Like any message, the logged text is cut at 4095 bytes.
void ReportAssertion(std::string_view expression, std::string_view description, std::string_view file,
                     int32_t line, std::string_view function);

// ReportAssertion, then ends the process abnormally (abort).
[[noreturn]] void FatalAssertion(std::string_view expression, std::string_view description,
                                 std::string_view file, int32_t line, std::string_view function);

}  // namespace Vela
