#include "junit_report.h"

#include <cstdio>

namespace Vela::Host {
namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\t':
      case '\n':
      case '\r': out += c; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace

std::string JUnitXml(std::string_view suiteName, std::span<const ScenarioResult> results) {
  std::size_t failed = 0;
  std::size_t errors = 0;
  double total = 0;
  for (const ScenarioResult& result : results) {
    if (!result.error.empty()) ++errors;
    else if (!result.failures.empty()) ++failed;
    total += result.seconds;
  }
  const std::string suite = Escaped(suiteName);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const std::string counts = " tests=\"" + std::to_string(results.size()) + "\" failures=\"" + std::to_string(failed) +
                             "\" errors=\"" + std::to_string(errors) + "\" time=\"" + Seconds(total) + "\"";
  xml += "<testsuites name=\"" + suite + "\"" + counts + ">\n";
  xml += "  <testsuite name=\"" + suite + "\"" + counts + ">\n";
  for (const ScenarioResult& result : results) {
    xml += "    <testcase name=\"" + Escaped(result.name) + "\" classname=\"" + Escaped(result.file) + "\" time=\"" +
           Seconds(result.seconds) + "\"";
    if (result.error.empty() && result.failures.empty()) {
      xml += "/>\n";
      continue;
    }
    xml += ">\n";
    if (!result.error.empty()) {
      xml += "      <error message=\"" + Escaped(result.error) + "\"/>\n";
    }
    for (const ScenarioFailure& failure : result.failures) {
      const std::string where = "step " + std::to_string(failure.step) + " (" + failure.title + ")";
      xml += "      <failure message=\"" + Escaped(where + ": " + failure.message) + "\" type=\"expectation\">" +
             Escaped(where + "\n" + failure.message) + "</failure>\n";
    }
    xml += "    </testcase>\n";
  }
  xml += "  </testsuite>\n</testsuites>\n";
  return xml;
}

}  // namespace Vela::Host
