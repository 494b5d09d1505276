#include "logging/assertion.h"

#include <cstdlib>
#include <string>

#include "logging/log_groups.h"
#include "logging/logger.h"

namespace Vela {

static_assert(IsAssertionIdentifier(kAssertFutureError));
static_assert(IsAssertionIdentifier(kAssertUtcBreakdown));
static_assert(IsAssertionIdentifier(kAssertIncompatiblePluginApi));

std::string AssertionText(std::string_view expression, std::string_view file, int32_t line,
                          std::string_view function, std::string_view description) {
  std::string text = "Assertion failed!\n\n";
  if (!file.empty()) {
    text += "File: ";
    text += file;
    text += '\n';
  }
  if (line != 0) {
    text += "Line: ";
    text += std::to_string(line);
    text += "\n\n";
  }
  if (!function.empty()) {
    text += "Function: ";
    text += function;
    text += "\n\n";
  }
  if (!expression.empty()) {
    text += "Expression: ";
    text += expression;
  }
  if (!description.empty()) {
    text += "\n\nDescription: ";
    text += description;
  }
  return text;
}

void ReportAssertion(std::string_view expression, std::string_view description, std::string_view file,
                     int32_t line, std::string_view function) {
  const std::string text = AssertionText(expression, file, line, function, description);
  LogMessage(LogLevel::Error, static_cast<uint32_t>(kLogGroupDbg), 0, "%s", text.c_str());
}

void FatalAssertion(std::string_view expression, std::string_view description, std::string_view file,
                    int32_t line, std::string_view function) {
  ReportAssertion(expression, description, file, line, function);
  std::abort();
}

}  // namespace Vela
