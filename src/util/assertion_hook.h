// Assertion reports raised inside the utilities. The logging subsystem sits above util,
// so util cannot log them itself: logging installs its reporter here at start-up, and
// until then (and in programs without logging) reports go nowhere.
//
//   Vela::SetAssertionReporter(&ReportThroughLogger);
//   Vela::RaiseAssertion("ALE-8A14EBBK", "", __FILE__, __LINE__, __func__);
#pragma once

#include <cstdint>

namespace Vela {

// Same fields as the logger's assertion report. Texts are never null (empty when absent).
using AssertionReporter = void (*)(const char* expression, const char* description,
                                   const char* file, int32_t line, const char* function);

// Installs the reporter; nullptr restores the silent default. Safe to call at any time.
void SetAssertionReporter(AssertionReporter reporter);

// Hands a non-fatal report to the installed reporter; null texts are passed as "".
void RaiseAssertion(const char* expression, const char* description, const char* file,
                    int32_t line, const char* function);

}  // namespace Vela
