// Scenario results as a JUnit XML report, the form CI systems read: one test suite, one
// test case per scenario, each unmet expectation a failure naming its step, a scenario
// that could not be played an error.
//
//   std::vector<ScenarioResult> results = ...;  // one per scenario file played
//   file << JUnitXml("arx-host run", results);
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Vela::Host {

struct ScenarioFailure {
  std::size_t step = 0;  // the step's number; 0: the start
  std::string title;     // "call GET /arx-player-behavior/v1/ban"
  std::string message;   // the unmet expectation's text
};

struct ScenarioResult {
  std::string name;  // the scenario's name
  std::string file;  // the file it was read from
  double seconds = 0;
  std::vector<ScenarioFailure> failures;
  std::string error;  // why it could not be played; empty when it was
};

// The report; texts are escaped for XML, and characters XML 1.0 cannot hold (control
// characters other than tab and line breaks) are written as U+FFFD.
[[nodiscard]] std::string JUnitXml(std::string_view suiteName, std::span<const ScenarioResult> results);

}  // namespace Vela::Host
