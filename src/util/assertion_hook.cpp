#include "util/assertion_hook.h"

#include <atomic>

namespace Vela {
namespace {

std::atomic<AssertionReporter> g_reporter{nullptr};

const char* OrEmpty(const char* text) { return text == nullptr ? "" : text; }

}  // namespace

void SetAssertionReporter(AssertionReporter reporter) { g_reporter.store(reporter, std::memory_order_release); }

void RaiseAssertion(const char* expression, const char* description, const char* file, int32_t line,
                    const char* function) {
  if (AssertionReporter reporter = g_reporter.load(std::memory_order_acquire)) {
    reporter(OrEmpty(expression), OrEmpty(description), OrEmpty(file), line, OrEmpty(function));
  }
}

}  // namespace Vela
