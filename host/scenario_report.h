// How `arx-host` shows what scenario steps brought about: a compact form for people (a
// header line per step, then one indented line per log line, request, event and answer,
// then the expectations' verdict) and JSON lines for machines (one object per record,
// each with its "type": step, log, request, event, answer, check, summary).
//
//   ReportWriter report(std::cout, ReportForm::Compact);
//   report.Step(session.Started());
//   for (...) report.Step(session.Run(step));
//   report.Summary("ban-at-login");
//   return report.allHeld() ? 0 : 1;
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "scenario_runner.h"

namespace Vela::Host {

enum class ReportForm { Compact, JsonLines };

class ReportWriter {
 public:
  ReportWriter(std::ostream& out, ReportForm form) : out_(out), form_(form) {}

  void Step(const StepOutcome& outcome);
  // The closing line: steps played, expectations checked, how many did not hold.
  void Summary(std::string_view scenarioName);

  [[nodiscard]] bool allHeld() const { return unmet_ == 0; }
  [[nodiscard]] std::size_t unmet() const { return unmet_; }

 private:
  void Compact(const StepOutcome& outcome);
  void JsonLines(const StepOutcome& outcome);

  std::ostream& out_;
  ReportForm form_;
  std::size_t steps_ = 0;
  std::size_t expectations_ = 0;
  std::size_t unmet_ = 0;
};

}  // namespace Vela::Host
