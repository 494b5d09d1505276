// arx-host run as a process, as people and scripts run it: exit statuses, what it prints,
// the example scenarios.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "codecs/json.h"
#include "codecs/msgpack.h"
#include "codecs/yaml.h"
#include "read_back.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Vela::Host::Testing::Json;
using Vela::Host::Testing::ReadFile;
namespace fs = std::filesystem;

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class ArxHostProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef ARX_HOST_PROGRAM
    GTEST_SKIP() << "arx-host is not part of this build (CLI11 missing, or a cross build)";
#else
    // A folder of its own: the suites of several builds may run this test at the same time.
    std::random_device random;
    do {
      dir_ = fs::temp_directory_path() / ("arx-host-test-" + std::to_string(random()) + std::to_string(random()));
    } while (!fs::create_directory(dir_));
#endif
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  // Runs arx-host with `arguments` (already quoted where needed), standard input from
  // `input` when given.
  Ran Run(const std::string& arguments, const std::string* input = nullptr) {
    Ran ran;
#ifdef ARX_HOST_PROGRAM
    const fs::path out = dir_ / "stdout";
    const fs::path err = dir_ / "stderr";
    std::string command = "\"" ARX_HOST_PROGRAM "\" " + arguments;
    if (input != nullptr) {
      WriteFile(dir_ / "stdin", *input);
      command += " < \"" + (dir_ / "stdin").string() + "\"";
    }
    command += " > \"" + out.string() + "\" 2> \"" + err.string() + "\"";
    const int status = std::system(command.c_str());
#ifdef WEXITSTATUS
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    ran.status = status;
#endif
    ran.out = ReadFile(out);
    ran.err = ReadFile(err);
#else
    (void)arguments;
    (void)input;
#endif
    return ran;
  }

  std::string File(const std::string& name, std::string_view bytes) {
    const fs::path path = dir_ / name;
    WriteFile(path, bytes);
    return "\"" + path.string() + "\"";
  }

  fs::path dir_;
};

TEST_F(ArxHostProcessTest, DecodePrintsIndentedJsonOrTheDecodersExactFailure) {
  struct Case {
    int line;
    const char* format;
    std::string input;
    int status;
    std::string out;
  };
  const std::string invalidYaml = "a: [1, 2\n";
  const Case cases[] = {
      {__LINE__, "json", R"({"b": [1, -2, 0.5], "a": "x"})", 0,
       "{\n    \"a\": \"x\",\n    \"b\": [\n        1,\n        -2,\n        0.5\n    ]\n}\n"},
      {__LINE__, "json", "", 0, "null\n"},
      {__LINE__, "yaml", "name: Ashe\ngames: [1, -2]\n", 0,
       "{\n    \"games\": [\n        1,\n        -2\n    ],\n    \"name\": \"Ashe\"\n}\n"},
      {__LINE__, "msgpack", std::string("\x82\xa1" "a\x01\xa1" "b\x92\xc3\xc0", 9), 0,
       "{\n    \"a\": 1,\n    \"b\": [\n        true,\n        null\n    ]\n}\n"},
      {__LINE__, "json", R"({"a": 1,})", 1, ""},
      {__LINE__, "yaml", invalidYaml, 1, ""},
      {__LINE__, "msgpack", std::string("\x91\xc1", 2), 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const Ran ran = Run(std::string("decode --format ") + c.format + " " + File("input", c.input));
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.out, c.out);
    if (c.status == 0) {
      EXPECT_EQ(ran.err, "");
      continue;
    }
    // The failure is the decoder's own message, as the codec library gives it.
    const std::string format = c.format;
    const Vela::BindingResult expected =
        format == "json"   ? Vela::ParseJson(c.input)
        : format == "yaml" ? Vela::YamlLoad(c.input)
                           : Vela::MsgPackDecode(std::span<const uint8_t>(
                                 reinterpret_cast<const uint8_t*>(c.input.data()), c.input.size()));
    ASSERT_FALSE(expected.ok());
    EXPECT_EQ(ran.err, std::string(expected.message()) + "\n");
  }
}

// Exit statuses are what scripts rely on: 0 done, 1 failed or unmet, 2 a bad command line or
// scenario (nothing played).
TEST_F(ArxHostProcessTest, ExitStatusesAndWhatTheyPrint) {
  struct Case {
    int line;
    std::string arguments;
    const char* input;  // standard input, when given
    int status;
    const char* out;  // a part of standard output, when given
    const char* err;  // a part of standard error, when given
  };
  const std::string missing = (dir_ / "missing.yaml").string();
  const Case cases[] = {
      {__LINE__, "decode --format json -", "[1, 2]", 0, "[\n    1,\n    2\n]\n", nullptr},
      {__LINE__, "decode --format json --compact -", "{\"a\": [1, {\"b\": [2]}]}", 0, "{\"a\":[1,{\"b\":[2]}]}\n", nullptr},
      // A zero byte would end the JSON decoder's input: the file is refused, not cut short.
      {__LINE__, "decode --format json " + File("zero.json", std::string("123\0", 4)), nullptr, 1, "",
       "zero.json holds a zero byte at offset 3"},
      {__LINE__, "decode --format xml " + File("x", "<a/>"), nullptr, 2, nullptr, "xml not in {json,msgpack,yaml}"},
      {__LINE__, "decode --format json " + missing, nullptr, 1, nullptr, "cannot read"},
      {__LINE__, "", nullptr, 2, nullptr, nullptr},
      {__LINE__, "run", nullptr, 2, nullptr, nullptr},
      {__LINE__, "--help", nullptr, 0, "describe", nullptr},
      {__LINE__, "describe --openapi", nullptr, 0, "\"openapi\": \"3.1.0\"", nullptr},
      {__LINE__, "describe --openapi --json", nullptr, 2, nullptr, "excludes"},
      {__LINE__, "run " + missing, nullptr, 2, "", "cannot read the scenario file"},
      {__LINE__, "run " + File("a.yaml", "- set: /arx-login/v1/session\n"), nullptr, 2, "",
       "a.yaml: step 1 (set): 'data' is missing"},
      {__LINE__, "run " + File("d.yaml", "- [unclosed\n"), nullptr, 2, "", "d.yaml: the scenario is not valid YAML: "},
      {__LINE__, "run " + File("e.yaml", ""), nullptr, 2, "", "e.yaml: the scenario has no steps"},
      {__LINE__, "run \"" ARX_HOST_SCENARIOS_DIR "/siblings.yaml\"", nullptr, 0, "siblings: 9 steps, 3 expectations, all held\n",
       nullptr},
      {__LINE__, "run " + File("unmet.yaml", "- call: GET /arx-nowhere\n  expect: {status: 200}\n"), nullptr, 1,
       "    FAILED   status: expected 200, found 404 \"No REST function of the plugin takes GET /arx-nowhere\"\n\n"
       "unmet: 1 step, 1 expectation, 1 did not hold\n",
       nullptr},
      // Several files: each against its own plugin, then the summary; a bad file outweighs a failed one.
      {__LINE__, "run \"" ARX_HOST_SCENARIOS_DIR "/siblings.yaml\" " + File("u.yaml", "- call: GET /x\n  expect: {status: 200}\n"),
       nullptr, 1, "\n2 scenarios, 1 held, 1 failed\n", nullptr},
      {__LINE__, "run " + File("v.yaml", "- call: GET /x\n  expect: {status: 200}\n") + " " + missing, nullptr, 2,
       "\n2 scenarios, 0 held, 2 failed\n", "cannot read the scenario file"},
      {__LINE__, "run --plugin " + (dir_ / "libnothing.so").string() + " " + File("s.yaml", "- yield\n"), nullptr, 1, nullptr,
       "cannot load the plugin library"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string input = c.input != nullptr ? c.input : "";
    const Ran ran = Run(c.arguments, c.input != nullptr ? &input : nullptr);
    EXPECT_EQ(ran.status, c.status) << ran.out << ran.err;
    if (c.out != nullptr && *c.out == '\0') {
      EXPECT_EQ(ran.out, "") << "nothing is played";
      EXPECT_THAT(ran.err, StartsWith("arx-host: "));
    }
    EXPECT_THAT(ran.out, HasSubstr(c.out != nullptr ? c.out : ""));
    EXPECT_THAT(ran.err, HasSubstr(c.err != nullptr ? c.err : ""));
  }
}

TEST_F(ArxHostProcessTest, RunWritesAJUnitReportWithEachUnmetExpectationAsAFailure) {
  const std::string report = (dir_ / "report.xml").string();
  const Ran ran = Run("run --junit " + report + " \"" ARX_HOST_SCENARIOS_DIR "/siblings.yaml\" " +
                      File("w.yaml", "name: <w & w>\nsteps:\n  - yield\n  - call: GET /x\n    expect: {status: 200}\n"));
  EXPECT_EQ(ran.status, 1) << ran.err;
  std::ifstream file(report);
  const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_THAT(xml, HasSubstr("<testsuite name=\"arx-host run\" tests=\"2\" failures=\"1\" errors=\"0\""));
  EXPECT_THAT(xml, HasSubstr("<testcase name=\"siblings\""));
  EXPECT_THAT(xml, HasSubstr("<testcase name=\"&lt;w &amp; w&gt;\""));
  EXPECT_THAT(xml, HasSubstr("<failure message=\"step 2 (call GET /x): status: expected 200, found 404 &quot;No REST "
                             "function of the plugin takes GET /x&quot;\" type=\"expectation\">"));
}

TEST_F(ArxHostProcessTest, TheReplPlaysTypedStepsAndExplainsMistakes) {
  const std::string input =
      "help\n"
      "call: GET /arx-nowhere\n"
      "set: /arx-login/v1/session\n"
      "\n"
      "{call: GET /arx-nowhere, expect: {status: 404}}\n"
      "quit\n"
      "call: GET /never-read\n";
  const Ran ran = Run("repl", &input);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_THAT(ran.out, HasSubstr("Type one step per line"));
  EXPECT_THAT(ran.out, HasSubstr("[1] call GET /arx-nowhere\n    answer   404 failed: No REST function"));
  EXPECT_THAT(ran.out, HasSubstr("  step 2 (set): 'data' is missing  (\"help\" lists the steps)\n"));
  EXPECT_THAT(ran.out, HasSubstr("[2] call GET /arx-nowhere\n"));
  EXPECT_THAT(ran.out, HasSubstr("    ok       1 expectation held\n"));
  EXPECT_THAT(ran.out, ::testing::Not(HasSubstr("never-read")));
}

TEST_F(ArxHostProcessTest, DescribeListsTheNineRestFunctions) {
  const Ran ran = Run("describe --json");
  ASSERT_EQ(ran.status, 0) << ran.err;
  const Vela::BindingProperty described = Json(ran.out);
  std::vector<std::string> functions;
  for (const Vela::BindingProperty& function : described.FieldOrEmpty("functions").Elements()) {
    functions.push_back(std::string(function.FieldOrEmpty("method").GetStringOr({})) + " " +
                        std::string(function.FieldOrEmpty("path").GetStringOr({})));
  }
  EXPECT_THAT(functions, ::testing::ElementsAre("GET /arx-player-behavior/v1/ban", "GET /arx-player-behavior/v1/chat-restriction",
                                                "GET /arx-player-behavior/v1/config",
                                                "GET /arx-player-behavior/v1/ranked-restriction",
                                                "GET /arx-player-behavior/v1/reform-card",
                                                "GET /arx-player-behavior/v2/reform-card",
                                                "GET /arx-player-behavior/v1/reporter-feedback",
                                                "GET /arx-player-behavior/v1/reporter-feedback/{id}",
                                                "DELETE /arx-player-behavior/v1/reporter-feedback/{id}"));
  const Vela::BindingProperty& byId = described.FieldOrEmpty("functions").ElementOrEmpty(8);
  EXPECT_EQ(Vela::WriteJson(byId.FieldOrEmpty("arguments")),
            R"([{"description":"","location":"path","name":"id","optional":false,"type":"string"}])");
  EXPECT_EQ(byId.FieldOrEmpty("returns").GetStringOr({}), "ReporterFeedback");

  const Ran text = Run("describe");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_THAT(text.out, StartsWith("arx-player-behavior 18.0.0\n\nREST functions (9)\n"));
  EXPECT_THAT(text.out, HasSubstr("      LOGGING_OUT = 2\n"));
}

// The registry's own help names the module's events with their payloads, and tags what the
// module registers; the built-ins keep their tags.
TEST_F(ArxHostProcessTest, DescribeHelpFormatPrintsTheRegistrysOwnDescription) {
  const Ran epytext = Run("describe --help-format epytext");
  ASSERT_EQ(epytext.status, 0) << epytext.err;
  const Vela::BindingProperty help = Json(epytext.out);
  const Vela::BindingProperty& events = help.FieldOrEmpty("events");
  EXPECT_EQ(events.FieldOrEmpty("OnLcdsEvent").GetStringOr({}),
            "Fired when a message is received over the LCDS connection.\r\n\r\n");
  EXPECT_EQ(events.FieldOrEmpty("OnCallback").GetStringOr({}), "Fired when a callback is invoked.\r\n\r\n@tags: $builtin\r\n");
  const Vela::BindingProperty& types = help.FieldOrEmpty("types");
  EXPECT_THAT(std::string(types.FieldOrEmpty("PluginResourceEvent").GetStringOr({})),
              ::testing::EndsWith("@tags: Plugins,Plugin arx-player-behavior\r\n"));
  EXPECT_THAT(std::string(types.FieldOrEmpty("BindingAsyncState").GetStringOr({})),
              HasSubstr("@tags: $builtin,async\r\n"));

  const Ran full = Run("describe --help-format full");
  ASSERT_EQ(full.status, 0) << full.err;
  const Vela::BindingProperty fullHelp = Json(full.out);
  std::vector<std::string> described;
  for (const Vela::BindingProperty& event : fullHelp.FieldOrEmpty("events").Elements()) {
    described.push_back(std::string(event.FieldOrEmpty("name").GetStringOr({})) + " " +
                        std::string(event.FieldOrEmpty("nameSpace").GetStringOr({})) + " " +
                        std::string(event.FieldOrEmpty("type").FieldOrEmpty("type").GetStringOr({})));
  }
  EXPECT_THAT(described, ::testing::ElementsAre("OnCallback  BindingCallbackEvent", "OnJsonApiEvent rclient PluginResourceEvent",
                                                "OnLcdsEvent rclient PluginLcdsEvent",
                                                "OnServiceProxyAsyncEvent rclient PluginServiceProxyResponse",
                                                "OnServiceProxyMethodEvent rclient PluginServiceProxyResponse",
                                                "OnServiceProxyUuidEvent rclient PluginServiceProxyResponse"));

  EXPECT_EQ(Run("describe --help-format html").status, 2);
}

// Every file in examples/ is a scenario the plugin must pass.
std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(ARX_EXAMPLES_DIR, error)) {
    if (entry.path().extension() == ".yaml") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ExampleScenarioTest : public ArxHostProcessTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ExampleScenarioTest, HoldsEveryExpectation) {
  const Ran ran = Run("run \"" ARX_EXAMPLES_DIR "/" + GetParam() + ".yaml\"");
  EXPECT_EQ(ran.status, 0) << ran.out << ran.err;
  EXPECT_THAT(ran.out, HasSubstr(", all held\n"));
  EXPECT_THAT(ran.out, ::testing::Not(HasSubstr("FAILED")));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleScenarioTest, ::testing::ValuesIn(ExampleNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
