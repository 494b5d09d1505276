#include "scenario_report.h"

#include "codecs/json.h"
#include "value_subset.h"

namespace Vela::Host {
namespace {

// The field labels line up under one another.
constexpr std::string_view kIndent = "    ";

std::string Padded(std::string_view label) {
  std::string text(label);
  text.resize(9, ' ');
  return text;
}

BindingProperty Record(std::string_view type, std::size_t step) {
  BindingProperty record;
  record.MutableField("type") = type;
  record.MutableField("step") = static_cast<uint64_t>(step);
  return record;
}

BindingProperty Texts(const std::vector<std::string>& texts) {
  BindingProperty list;
  list.MakeCollection();
  for (const std::string& text : texts) list.Append() = text;
  return list;
}

}  // namespace

void ReportWriter::Step(const StepOutcome& outcome) {
  if (outcome.number != 0) ++steps_;
  expectations_ += outcome.expectations;
  unmet_ += outcome.unmet.size();
  if (form_ == ReportForm::Compact) {
    Compact(outcome);
  } else {
    JsonLines(outcome);
  }
  out_.flush();
}

void ReportWriter::Compact(const StepOutcome& outcome) {
  out_ << (outcome.number == 0 ? std::string("[start]") : "[" + std::to_string(outcome.number) + "]") << " "
       << outcome.title << "\n";
  if (!outcome.note.empty()) out_ << kIndent << "# " << outcome.note << "\n";
  for (const Done& done : outcome.order) {
    switch (done.kind) {
      case DoneKind::Log:
        out_ << kIndent << Padded("log") << outcome.logs[done.index].text << "\n";
        break;
      case DoneKind::Request: {
        const SentRequest& request = outcome.requests[done.index];
        out_ << kIndent << Padded("request") << HttpMethodWord(request.method) << " " << request.path;
        if (request.arguments.size() != 0) out_ << " " << ValueText(request.arguments);
        out_ << "  -> " << request.status;
        if (!request.error.empty()) out_ << " \"" << request.error << "\"";
        out_ << "\n";
        break;
      }
      case DoneKind::Event: {
        const FiredEvent& event = outcome.events[done.index];
        out_ << kIndent << Padded("event");
        if (event.eventType.empty()) {
          out_ << event.names.front() << " " << ValueText(event.payload) << "\n";
        } else {
          out_ << event.eventType << " " << event.uri;
          if (!event.data.IsEmpty()) out_ << " " << ValueText(event.data);
          out_ << "\n";
        }
        break;
      }
    }
  }
  if (outcome.answer) {
    const CallAnswer& answer = *outcome.answer;
    out_ << kIndent << Padded("answer");
    if (answer.failed) {
      out_ << answer.status << " failed: " << answer.failure << "\n";
    } else {
      out_ << answer.status << " " << ValueText(answer.value) << "\n";
    }
  }
  if (outcome.expectations != 0 && outcome.held()) {
    out_ << kIndent << Padded("ok") << outcome.expectations
         << (outcome.expectations == 1 ? " expectation held\n" : " expectations held\n");
  }
  for (const std::string& unmet : outcome.unmet) out_ << kIndent << Padded("FAILED") << unmet << "\n";
}

void ReportWriter::JsonLines(const StepOutcome& outcome) {
  const std::size_t step = outcome.number;
  BindingProperty header = Record("step", step);
  header.MutableField("title") = outcome.title;
  if (!outcome.note.empty()) header.MutableField("note") = outcome.note;
  out_ << WriteJson(header) << "\n";
  for (const Done& done : outcome.order) {
    switch (done.kind) {
      case DoneKind::Log: {
        const ForwardedLog& log = outcome.logs[done.index];
        BindingProperty record = Record("log", step);
        record.MutableField("level") = static_cast<int64_t>(log.level);
        record.MutableField("text") = log.text;
        out_ << WriteJson(record) << "\n";
        break;
      }
      case DoneKind::Request: {
        const SentRequest& request = outcome.requests[done.index];
        BindingProperty record = Record("request", step);
        record.MutableField("method") = HttpMethodWord(request.method);
        record.MutableField("path") = request.path;
        record.MutableField("args") = request.arguments;
        record.MutableField("status") = static_cast<uint64_t>(request.status);
        if (!request.error.empty()) record.MutableField("error") = request.error;
        out_ << WriteJson(record) << "\n";
        break;
      }
      case DoneKind::Event: {
        const FiredEvent& event = outcome.events[done.index];
        BindingProperty record = Record("event", step);
        record.MutableField("names") = Texts(event.names);
        if (event.eventType.empty()) {
          record.MutableField("payload") = event.payload;
        } else {
          record.MutableField("eventType") = event.eventType;
          record.MutableField("uri") = event.uri;
          record.MutableField("data") = event.data;
        }
        out_ << WriteJson(record) << "\n";
        break;
      }
    }
  }
  if (outcome.answer) {
    const CallAnswer& answer = *outcome.answer;
    BindingProperty record = Record("answer", step);
    record.MutableField("found") = answer.found;
    record.MutableField("function") = answer.function;
    record.MutableField("status") = static_cast<uint64_t>(answer.status);
    record.MutableField("failed") = answer.failed;
    if (answer.failed) record.MutableField("failure") = answer.failure;
    record.MutableField("value") = answer.value;
    out_ << WriteJson(record) << "\n";
  }
  if (outcome.expectations != 0) {
    BindingProperty record = Record("check", step);
    record.MutableField("expectations") = static_cast<uint64_t>(outcome.expectations);
    record.MutableField("held") = outcome.held();
    record.MutableField("unmet") = Texts(outcome.unmet);
    out_ << WriteJson(record) << "\n";
  }
}

void ReportWriter::Summary(std::string_view scenarioName) {
  if (form_ == ReportForm::JsonLines) {
    BindingProperty record;
    record.MutableField("type") = "summary";
    record.MutableField("scenario") = scenarioName;
    record.MutableField("steps") = static_cast<uint64_t>(steps_);
    record.MutableField("expectations") = static_cast<uint64_t>(expectations_);
    record.MutableField("unmet") = static_cast<uint64_t>(unmet_);
    record.MutableField("passed") = unmet_ == 0;
    out_ << WriteJson(record) << "\n";
    return;
  }
  out_ << "\n" << (scenarioName.empty() ? std::string("scenario") : std::string(scenarioName)) << ": " << steps_
       << (steps_ == 1 ? " step, " : " steps, ") << expectations_
       << (expectations_ == 1 ? " expectation" : " expectations");
  if (unmet_ == 0) {
    out_ << ", all held\n";
  } else {
    out_ << ", " << unmet_ << " did not hold\n";
  }
}

}  // namespace Vela::Host
