// arx-host: the development host as a command-line tool. It loads the plugin's shared
// library, plays scenarios against it (or steps typed one per line), serves it over HTTP
// on loopback (docs/serve.md), lists its API, and decodes documents with the project's
// own decoders. docs/scenarios.md tells the scenario
// format; `arx-host --help` and `arx-host SUBCOMMAND --help` tell the options.
//
// Exit status: 0 when every expectation held (run) or the command did its work; 1 when an
// expectation failed, the plugin could not be loaded or a document did not decode; 2 for a
// bad scenario file or a bad command line.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "api_listing.h"
#include "codecs/json.h"
#include "codecs/msgpack.h"
#include "codecs/yaml.h"
#include "junit_report.h"
#include "line_reader.h"
#include "openapi_document.h"
#include "platform/process_info.h"
#include "plugin_host.h"
#include "registry_help.h"
#include "scenario.h"
#include "scenario_report.h"
#include "scenario_runner.h"
#ifdef ARX_HOST_SERVE
#include "serve_server.h"
#endif

namespace {

using namespace Vela::Host;

constexpr int kExitHeld = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

constexpr std::string_view kReplHelp = R"(Type one step per line, as in a scenario file (docs/scenarios.md); a step with
more than one key is written as a flow mapping in braces. For example:

  {set: /arx-login/v1/session, data: {state: SUCCEEDED, summonerId: 1, accountId: 2}}
  {set: /arx-gameflow/v1/session, data: {phase: None}}
  {set: /arx-platform-config/v1/namespaces/PlayerBehavior, data: {ReformCardV2Enabled: false}}
  {set: /arx-login/v1/login-data-packet, data: {restrictedChatGamesRemaining: 3}}
  delete: /arx-login/v1/session
  {lcds: com.velaworks.platform.messaging.ForcedClientShutdown, body: {reason: USER_SUSPENDED, additionalInfo: ""}}
  {service-reply: toxicfeedback.server, method: getReformCard, payload: '[{"punishmentType": "CHAT_RESTRICTION"}]'}
  yield                  (the host runs the work due now; "yield: 3" three times)
  tasks                  (the host runs its loop until nothing is left)
  advance: 2.5           (the host's clock moves on 2.5 seconds)
  call: GET /arx-player-behavior/v1/ban
  {call: DELETE /arx-player-behavior/v1/reporter-feedback/3, expect: {status: 200}}

Other words: help (this text), functions (the plugin's REST functions), quit.
)";

// The plugin built beside this program, else where the build put it.
std::string DefaultPluginPath() {
  char buffer[4096];
  const std::size_t length = Vela::Platform::ModuleFileName(buffer, sizeof buffer);
  if (length != 0) {
    std::error_code error;
    const std::filesystem::path beside =
        std::filesystem::path(std::string(buffer, length)).parent_path() / ARX_PLUGIN_RELATIVE_PATH;
    if (std::filesystem::exists(beside, error)) return beside.lexically_normal().string();
  }
  return ARX_PLUGIN_LIBRARY;
}

// The whole file, or standard input for "-"; false when it cannot be read.
bool ReadAll(const std::string& path, std::string& text) {
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

// Plays one scenario file against a freshly started plugin; its exit status, with what
// happened in `result` for the summary and the JUnit report.
int RunScenario(const std::string& scenarioPath, const std::string& pluginPath, bool json, ScenarioResult& result) {
  const auto started = std::chrono::steady_clock::now();
  result.file = scenarioPath;
  result.name = std::filesystem::path(scenarioPath).stem().string();
  std::string text;
  if (!ReadAll(scenarioPath, text)) {
    result.error = "cannot read the scenario file " + scenarioPath;
    std::cerr << "arx-host: " << result.error << "\n";
    return kExitBadInput;
  }
  ScenarioParse parse = ParseScenario(text);
  if (!parse.ok()) {
    result.error = scenarioPath + ": " + parse.error;
    std::cerr << "arx-host: " << result.error << "\n";
    return kExitBadInput;
  }
  const Scenario& scenario = parse.scenario;
  ScenarioSession session;
  if (std::string error = session.Open(pluginPath); !error.empty()) {
    result.error = error;
    std::cerr << "arx-host: " << error << "\n";
    return kExitFailed;
  }
  const std::string name =
      scenario.name.empty() ? std::filesystem::path(scenarioPath).stem().string() : scenario.name;
  result.name = name;
  if (!json) {
    std::cout << "Scenario " << name << " (" << scenarioPath << ")\n";
    if (!scenario.description.empty()) {
      std::istringstream lines(scenario.description);
      for (std::string line; std::getline(lines, line);) std::cout << "  " << line << "\n";
    }
    std::cout << "Plugin " << pluginPath << "\n\n";
  }
  ReportWriter report(std::cout, json ? ReportForm::JsonLines : ReportForm::Compact);
  auto play = [&](const StepOutcome& outcome) {
    for (const std::string& unmet : outcome.unmet) result.failures.push_back({outcome.number, outcome.title, unmet});
    report.Step(outcome);
  };
  play(session.Started());
  for (const ScenarioStep& step : scenario.steps) play(session.Run(step));
  report.Summary(name);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return report.allHeld() ? kExitHeld : kExitFailed;
}

// Each file against its own plugin, in order; with more than one, a closing summary line.
// The exit status is the worst of the files' (a bad file over a failed one).
int RunScenarios(const std::vector<std::string>& paths, const std::string& pluginPath, bool json,
                 const std::string& junitPath) {
  std::vector<ScenarioResult> results;
  int status = kExitHeld;
  for (const std::string& path : paths) {
    if (paths.size() > 1 && !results.empty() && !json) std::cout << "\n";
    const int one = RunScenario(path, pluginPath, json, results.emplace_back());
    if (one == kExitBadInput || (one == kExitFailed && status == kExitHeld)) status = one;
  }
  std::size_t held = 0;
  for (const ScenarioResult& result : results) held += result.error.empty() && result.failures.empty() ? 1 : 0;
  if (paths.size() > 1) {
    const std::size_t failed = results.size() - held;
    if (json) {
      std::cout << "{\"scenarios\":" << results.size() << ",\"held\":" << held << ",\"failed\":" << failed << "}\n";
    } else {
      std::cout << "\n" << results.size() << " scenarios, " << held << " held, " << failed << " failed\n";
    }
  }
  if (!junitPath.empty()) {
    std::ofstream file(junitPath, std::ios::binary | std::ios::trunc);
    file << JUnitXml("arx-host run", results);
    if (!file.flush()) {
      std::cerr << "arx-host: cannot write the JUnit report " << junitPath << "\n";
      return status == kExitHeld ? kExitFailed : status;
    }
  }
  return status;
}

std::string Trimmed(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

int Repl(const std::string& pluginPath) {
  ScenarioSession session;
  if (std::string error = session.Open(pluginPath); !error.empty()) {
    std::cerr << "arx-host: " << error << "\n";
    return kExitFailed;
  }
  std::cout << "arx-host: " << pluginPath << " is started. Type a step, \"help\" or \"quit\".\n";
  ReportWriter report(std::cout, ReportForm::Compact);
  report.Step(session.Started());
  std::vector<std::string> words = {"set:",   "delete:", "lcds:", "service-reply:", "yield", "tasks", "advance:",
                                    "call:",  "expect:", "data:", "body:",          "help",  "functions", "quit",
                                    "GET",    "POST",    "PUT",   "PATCH",          "DELETE"};
  for (const RestFunctionInfo& function : session.host().RestFunctions()) words.push_back(function.pathTemplate);
  for (std::string_view path : SiblingResourcePaths()) words.emplace_back(path);
  LineReader input(std::cin, std::cout, HistoryFilePath(), std::move(words));
  std::size_t number = 1;
  for (;;) {
    std::optional<std::string> read = input.Read("> ");
    if (!read) break;
    std::string line = Trimmed(*read);
    if (line.empty() || line.front() == '#') continue;
    if (line == "quit" || line == "exit") break;
    if (line == "help") {
      std::cout << kReplHelp;
      continue;
    }
    if (line == "functions") {
      for (const RestFunctionInfo& function : session.host().RestFunctions()) {
        std::cout << "  " << HttpMethodWord(function.method) << " " << function.pathTemplate << "\n";
      }
      continue;
    }
    ScenarioParse parse = ParseStepLine(line, number);
    if (!parse.ok()) {
      std::cout << "  " << parse.error << "  (\"help\" lists the steps)\n";
      continue;
    }
    report.Step(session.Run(parse.scenario.steps.front()));
    ++number;
  }
  std::cout << "\n";
  return kExitHeld;
}

enum class DescribeForm { Listing, Json, OpenApi };

int Describe(const std::string& pluginPath, DescribeForm form) {
  PluginHost host;
  if (std::string error = host.Load(pluginPath); !error.empty()) {
    std::cerr << "arx-host: cannot load the plugin library " << pluginPath << ": " << error << "\n";
    return kExitFailed;
  }
  const HandshakeOutcome outcome = host.Handshake({18, 0, 0});
  if (!outcome.answered || outcome.api == nullptr) {
    std::cerr << "arx-host: the plugin " << pluginPath << " gave no description block in the handshake\n";
    return kExitFailed;
  }
  if (form == DescribeForm::OpenApi) {
    std::cout << Vela::WriteJson(OpenApiDocument(outcome), nullptr, "\n") << "\n";
    return kExitHeld;
  }
  const Vela::BindingProperty described = DescribeApi(*outcome.api);
  if (form == DescribeForm::Json) {
    std::cout << Vela::WriteJson(described, nullptr, "\n") << "\n";
  } else {
    std::cout << outcome.shortName << " " << outcome.pluginVersion.major << "." << outcome.pluginVersion.minor << "."
              << outcome.pluginVersion.patch << "\n\n"
              << ApiListingText(described);
  }
  return kExitHeld;
}

int Decode(const std::string& format, const std::string& path, bool compact) {
  std::string bytes;
  if (!ReadAll(path, bytes)) {
    std::cerr << "arx-host: cannot read " << path << "\n";
    return kExitFailed;
  }
  // The JSON decoder stops at the first zero byte by design; the tool must not pass a
  // prefix of the file off as the whole document.
  if (const std::size_t zero = bytes.find('\0'); format == "json" && zero != std::string::npos) {
    std::cerr << "arx-host: " << path << " holds a zero byte at offset " << zero
              << "; the JSON decoder would read only what comes before it\n";
    return kExitFailed;
  }
  Vela::BindingResult decoded = format == "json"      ? Vela::ParseJson(bytes)
                                : format == "msgpack" ? Vela::MsgPackDecode(std::span<const uint8_t>(
                                                            reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
                                                      : Vela::YamlLoad(bytes);
  if (!decoded.ok()) {
    std::cerr << decoded.message() << "\n";
    return kExitFailed;
  }
  // An empty document is the value null, which the writer leaves out as a root.
  const Vela::BindingProperty& value = decoded.value();
  std::cout << (value.IsEmpty() ? std::string("null") : Vela::WriteJson(value, nullptr, compact ? "" : "\n")) << "\n";
  return kExitHeld;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"arx-host: loads the arx-player-behavior plugin, plays scenarios against it, lists its API, "
               "decodes documents"};
  app.require_subcommand(1);
  std::string pluginPath;
  bool json = false;

  std::vector<std::string> scenarioPaths;
  std::string junitPath;
  CLI::App* run = app.add_subcommand(
      "run", "Play scenario files against the plugin, each against a freshly started one (docs/scenarios.md)");
  run->add_option("SCENARIO", scenarioPaths, "The scenario files (YAML), or - for standard input")->required();
  run->add_option("--junit", junitPath, "Also write a JUnit XML report to this file (one test case per scenario)");
  run->add_option("--plugin", pluginPath, "The plugin's shared library (default: the one built beside arx-host)");
  run->add_flag("--json", json, "One JSON object per line instead of the readable form");

  CLI::App* repl = app.add_subcommand("repl", "Type scenario steps one per line");
  repl->add_option("--plugin", pluginPath, "The plugin's shared library (default: the one built beside arx-host)");

  CLI::App* describe = app.add_subcommand("describe", "List the plugin's REST functions, types and events");
  describe->add_option("--plugin", pluginPath, "The plugin's shared library (default: the one built beside arx-host)");
  auto* describeJson = describe->add_flag("--json", json, "The listing as one JSON document");
  bool openApi = false;
  auto* describeOpenApi =
      describe->add_flag("--openapi", openApi, "The API as an OpenAPI 3.1 document (JSON)")->excludes(describeJson);
  std::string helpFormat;
  describe
      ->add_option("--help-format", helpFormat,
                   "Instead, the plugin registry's own description (API help) in this format, as JSON")
      ->check(CLI::IsMember({std::string(kHelpFormatFull), std::string(kHelpFormatEpytext)}))
      ->excludes(describeJson)
      ->excludes(describeOpenApi);

#ifdef ARX_HOST_SERVE
  Vela::Host::ServeOptions serveOptions;
  CLI::App* serve = app.add_subcommand(
      "serve", "Serve the plugin's REST functions and events over HTTP on 127.0.0.1, with a status page (docs/serve.md)");
  serve->add_option("--plugin", pluginPath, "The plugin's shared library (default: the one built beside arx-host)");
  serve->add_option("--port", serveOptions.port, "The port (0: a free one; the address is printed at start)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  serve->add_option("--scenario", serveOptions.scenarioPath, "A scenario file played before serving");
#endif

  std::string format;
  std::string input;
  CLI::App* decode = app.add_subcommand("decode", "Decode a document into the value model and write it as JSON");
  decode->add_option("--format", format, "The document's format")
      ->required()
      ->check(CLI::IsMember({"json", "msgpack", "yaml"}));
  decode->add_option("FILE", input, "The document, or - for standard input")->required();
  bool compact = false;
  decode->add_flag("--compact", compact, "One line without indentation (indented output grows with the square of the depth)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitBadInput;
  }
  if (pluginPath.empty()) pluginPath = DefaultPluginPath();
  if (*run) return RunScenarios(scenarioPaths, pluginPath, json, junitPath);
  if (*repl) return Repl(pluginPath);
  if (*describe && !helpFormat.empty()) return PrintRegistryHelp(helpFormat, std::cout, std::cerr);
  if (*describe) {
    return Describe(pluginPath, openApi ? DescribeForm::OpenApi : json ? DescribeForm::Json : DescribeForm::Listing);
  }
#ifdef ARX_HOST_SERVE
  if (*serve) {
    serveOptions.pluginPath = pluginPath;
    return Vela::Host::Serve(serveOptions, std::cout, std::cerr);
  }
#endif
  return Decode(format, input, compact);
}
