// `arx-host serve` run as a process and driven over HTTP on loopback: the plugin's REST
// functions answer as they do through the host directly, the event stream carries a
// control step's events in the order fired, bad input gets its status and changes nothing,
// and the server stops cleanly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#if defined(ARX_HOST_PROGRAM) && defined(ARX_HOST_SERVE)
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "codecs/json.h"
#include "read_back.h"
#include "scenario.h"
#include "scenario_runner.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace Vela;
using namespace Vela::Host;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Testing::Json;
using Testing::ReadFile;

// One `arx-host serve` process: started in the background by a shell that records its
// process id and, when it ends, its exit status.
class ServeProcess {
 public:
  explicit ServeProcess(const std::string& name, const std::string& arguments = "--port 0") {
    // Unique: other builds' tests may run at the same time.
    dir_ = fs::temp_directory_path() / ("arx-serve-test-" + name + "-" + std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string command = "sh -c '\"" ARX_HOST_PROGRAM "\" serve " + arguments + " > \"" + Path("out") +
                                "\" 2> \"" + Path("err") + "\" & echo $! > \"" + Path("pid") + "\"; wait $!; echo $? > \"" +
                                Path("status") + "\"' > /dev/null 2>&1 &";
    if (std::system(command.c_str()) != 0) return;
    for (auto until = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < until;) {
      const std::string out = ReadFile(dir_ / "out");
      const std::size_t at = out.find("http://127.0.0.1:");
      if (at != std::string::npos && out.find('/', at + 17) != std::string::npos) {
        port_ = std::stoi(out.substr(at + 17));
        return;
      }
      if (fs::exists(dir_ / "status")) return;  // it ended without serving
      std::this_thread::sleep_for(20ms);
    }
  }
  ~ServeProcess() {
    if (!fs::exists(dir_ / "status")) Signal("KILL");
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  [[nodiscard]] int port() const { return port_; }
  // Sends a signal and waits for the exit status; -1 when it did not end in time.
  int Stop(const std::string& signal = "TERM") {
    Signal(signal);
    return WaitForExit();
  }
  int WaitForExit() {
    for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
      const std::string status = ReadFile(dir_ / "status");
      if (!status.empty()) return std::stoi(status);
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }
  [[nodiscard]] std::string out() const { return ReadFile(dir_ / "out"); }
  [[nodiscard]] std::string err() const { return ReadFile(dir_ / "err"); }
  [[nodiscard]] httplib::Client Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30, 0);
    return client;
  }

 private:
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  void Signal(const std::string& signal) {
    const std::string pid = ReadFile(dir_ / "pid");
    if (pid.empty()) return;
    const std::string command = "kill -" + signal + " " + pid.substr(0, pid.find('\n')) + " 2>/dev/null";
    (void)std::system(command.c_str());
  }

  fs::path dir_;
  int port_ = 0;
};

std::string Text(const BindingProperty& value, std::string_view field) {
  return std::string(value.FieldOrEmpty(field).GetStringOr({}));
}

// Control steps that leave the plugin holding a ban, restrictions and a feedback entry.
const std::vector<std::string> kSetUpSteps = {
    R"({"set": "/arx-login/v1/session", "data": {"state": "ERROR", "summonerId": 0, "accountId": 0,
        "error": {"id": "login-error", "messageId": "ACCOUNT_BANNED",
                  "description": "{\"banReason\": \"PERMA_BAN\", \"expiration\": 0}"}}})",
    R"({"set": "/arx-gameflow/v1/session", "data": {"phase": "None"}})",
    R"({"set": "/arx-platform-config/v1/namespaces/PlayerBehavior", "data": {"ReformCardV2Enabled": false}})",
    // The packet's restrictions make the plugin ask the back end for a reform card; a
    // service with no reply stays silent and the plugin would wait for it.
    R"({"service-reply": "toxicfeedback.server", "method": "getReformCard",
        "payload": [{"punishmentType": "CHAT_RESTRICTION", "punishmentReason": "Offensive language"}]})",
    R"({"set": "/arx-login/v1/login-data-packet", "data": {"allSummonerData": {"summoner": {"acctId": 123456}},
        "restrictedChatGamesRemaining": 3, "restrictedGamesRemainingForRanked": 2}})",
    R"({"lcds": "com.velaworks.platform.messaging.persistence.SimpleDialogMessage",
        "body": {"accountId": 123456, "msgId": "m-1", "type": "tribunal.reporter.feedback", "params": []}})",
};

TEST(ServeTest, RestAnswersMatchWhatThePluginAnswersThroughTheHost) {
  ServeProcess server("rest");
  ASSERT_NE(server.port(), 0) << server.err();
  httplib::Client client = server.Client();

  ScenarioSession direct;
  ASSERT_EQ(direct.Open(ARX_PLUGIN_LIBRARY), "");
  for (const std::string& step : kSetUpSteps) {
    httplib::Result posted = client.Post("/host/step", step, "application/json");
    ASSERT_TRUE(posted) << step << " " << httplib::to_string(posted.error());
    ASSERT_EQ(posted->status, 200) << posted->body;
    ScenarioParse parse = ParseStepValue(Json(step), 1);
    ASSERT_TRUE(parse.ok()) << parse.error;
    direct.Run(parse.scenario.steps.front());
  }

  const struct {
    int line;
    const char* method;
    const char* path;
  } kCases[] = {
      {__LINE__, "GET", "/arx-player-behavior/v1/ban"},
      {__LINE__, "GET", "/arx-player-behavior/v1/chat-restriction"},
      {__LINE__, "GET", "/arx-player-behavior/v2/reform-card"},  // none held: the plugin's 404
      {__LINE__, "GET", "/arx-player-behavior/v1/reporter-feedback"},
      {__LINE__, "GET", "/arx-player-behavior/v1/reporter-feedback/1"},
      {__LINE__, "GET", "/arx-player-behavior/v1/reporter-feedback/abc"},  // the plugin's own failure
      {__LINE__, "GET", "/arx-player-behavior/v1/ban?verbose=true"},       // the query goes along
      {__LINE__, "DELETE", "/arx-player-behavior/v1/reporter-feedback/99"},
      {__LINE__, "DELETE", "/arx-player-behavior/v1/reporter-feedback/1"},  // dismissed
      {__LINE__, "GET", "/arx-player-behavior/v1/reporter-feedback"},       // ... and gone
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "line " << c.line << ": " << c.method << " " << c.path);
    httplib::Result served = std::string(c.method) == "GET" ? client.Get(c.path) : client.Delete(c.path);
    ASSERT_TRUE(served);
    CallRequest request;
    request.method = HttpMethodCode(c.method);
    request.path = c.path;
    const CallResult expected = direct.host().Call(request);
    direct.host().RunUntilIdle();
    ASSERT_TRUE(expected.found);
    EXPECT_THAT(served->get_header_value("Content-Type"), StartsWith("application/json"));
    const BindingProperty body = Json(served->body);
    if (expected.failed) {
      EXPECT_EQ(served->status, expected.status != 0 ? static_cast<int>(expected.status) : 500);
      EXPECT_EQ(Text(body, "message"), expected.error);
      EXPECT_EQ(body.FieldOrEmpty("httpStatus").GetUnsignedOr(0), static_cast<uint64_t>(served->status));
    } else {
      EXPECT_EQ(served->status, expected.status != 0 ? static_cast<int>(expected.status) : 200);
      // Compared as JSON: an enumeration's value is its name there.
      EXPECT_EQ(body, Json(expected.value.IsEmpty() ? "null" : WriteJson(expected.value))) << served->body;
    }
  }
  EXPECT_EQ(server.Stop(), 0) << server.err();
}

// Reads the event stream on its own thread until asked to stop.
class StreamReader {
 public:
  explicit StreamReader(const ServeProcess& server) : client_(server.Client()) {
    thread_ = std::thread([this] {
      client_.Get("/events", [this](const char* data, std::size_t length) {
        std::lock_guard lock(mutex_);
        text_.append(data, length);
        changed_.notify_all();
        return !stop_;
      });
      std::lock_guard lock(mutex_);
      ended_ = true;
      changed_.notify_all();
    });
  }
  ~StreamReader() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    client_.stop();
    thread_.join();
  }
  // Waits until the stream holds `part`; the whole text read so far.
  std::string WaitFor(const std::string& part, std::chrono::seconds limit = 20s) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return ended_ || text_.find(part) != std::string::npos; });
    return text_;
  }
  // The data of every message that is not a host note, in order.
  std::vector<BindingProperty> PluginEvents() {
    std::lock_guard lock(mutex_);
    std::vector<BindingProperty> events;
    std::size_t start = 0;  // complete messages only: each ends with a blank line
    for (std::size_t end; (end = text_.find("\n\n", start)) != std::string::npos; start = end + 2) {
      const std::string message = text_.substr(start, end - start + 1);
      if (message.find("event: ") != std::string::npos) continue;
      const std::size_t data = message.find("data: ");
      if (data == std::string::npos) continue;
      events.push_back(Json(message.substr(data + 6, message.find('\n', data) - data - 6)));
    }
    return events;
  }

 private:
  httplib::Client client_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string text_;
  bool stop_ = false;
  bool ended_ = false;
};

TEST(ServeTest, TheEventStreamDeliversAControlStepsEventsInTheOrderFired) {
  ServeProcess server("events");
  ASSERT_NE(server.port(), 0) << server.err();
  StreamReader stream(server);
  ASSERT_THAT(stream.WaitFor(": connected"), HasSubstr(": connected"));
  httplib::Client client = server.Client();

  const std::string banned = kSetUpSteps.front();
  const std::string shutdown =
      R"({"lcds": "com.velaworks.platform.messaging.ForcedClientShutdown",
          "body": {"reason": "USER_BANNED_FOR_LEAVING", "additionalInfo": ""}})";
  std::vector<std::string> fromAnswers;  // what the steps' answers say they fired
  for (const std::string& step : {banned, shutdown}) {
    httplib::Result posted = client.Post("/host/step", step, "application/json");
    ASSERT_TRUE(posted);
    ASSERT_EQ(posted->status, 200) << posted->body;
    const BindingProperty outcome = Json(posted->body);
    for (const BindingProperty& event : outcome.FieldOrEmpty("events").Elements()) {
      for (const BindingProperty& name : event.FieldOrEmpty("names").Elements()) {
        fromAnswers.push_back(std::string(name.GetStringOr({})) + " " + Text(event, "eventType") + " " + Text(event, "uri"));
      }
    }
  }
  const std::vector<std::string> kExpected = {
      "OnJsonApiEvent_arx-player-behavior_v1_ban Create /arx-player-behavior/v1/ban",
      "OnJsonApiEvent Create /arx-player-behavior/v1/ban",
      "OnJsonApiEvent_arx-player-behavior_v1_ban Delete /arx-player-behavior/v1/ban",
      "OnJsonApiEvent Delete /arx-player-behavior/v1/ban",
      "OnJsonApiEvent_arx-player-behavior_v1_ban Create /arx-player-behavior/v1/ban",
      "OnJsonApiEvent Create /arx-player-behavior/v1/ban",
  };
  EXPECT_EQ(fromAnswers, kExpected);
  // The second step's note comes after all of its events.
  stream.WaitFor(R"("ran":"lcds com.velaworks.platform.messaging.ForcedClientShutdown")");
  const std::vector<BindingProperty> events = stream.PluginEvents();
  std::vector<std::string> streamed;
  for (const BindingProperty& event : events) {
    streamed.push_back(Text(event, "name") + " " + Text(event, "eventType") + " " + Text(event, "uri"));
  }
  ASSERT_EQ(streamed, kExpected);
  EXPECT_EQ(Text(events[1].FieldOrEmpty("data"), "reason"), "PERMA_BAN");
  EXPECT_TRUE(events[3].FieldOrEmpty("data").IsEmpty());
  EXPECT_EQ(Text(events[5].FieldOrEmpty("data"), "reason"), "Leaver");
  // The server keeps what it streamed, for a page opened later: the same events and notes.
  httplib::Result recent = client.Get("/host/events");
  ASSERT_TRUE(recent);
  std::vector<std::string> kept;
  std::vector<std::string> notes;
  const BindingProperty messages = Json(recent->body);
  for (const BindingProperty& message : messages.Elements()) {
    const BindingProperty& data = message.FieldOrEmpty("data");
    if (Text(message, "type") == "host") notes.push_back(Text(data, "ran"));
    else kept.push_back(Text(data, "name") + " " + Text(data, "eventType") + " " + Text(data, "uri"));
  }
  EXPECT_EQ(kept, kExpected);
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(server.Stop(), 0) << "a stop with an open stream must be clean: " << server.err();
  EXPECT_THAT(server.out(), HasSubstr("arx-host serve: stopped"));
}

TEST(ServeTest, BadInputGetsItsStatusAndChangesNothing) {
  ServeProcess server("bad-input");
  ASSERT_NE(server.port(), 0) << server.err();
  httplib::Client client = server.Client();
  ASSERT_EQ(client.Post("/host/step", kSetUpSteps.front(), "application/json")->status, 200);
  const std::string banBefore = client.Get("/arx-player-behavior/v1/ban")->body;
  const std::string siblingsBefore = client.Get("/host/siblings")->body;

  const std::string tooLarge((std::size_t{1} << 20) + 1, ' ');
  const struct {
    int line;
    const char* method;
    std::string path;
    std::string body;
    httplib::Headers headers;
    int status;
    std::string message;  // the start of the answer's message
  } kCases[] = {
      // Control steps are numbered as they arrive, the one before this table being the first.
      {__LINE__, "POST", "/host/step", "{\"set\": ", {}, 400, "The body is not JSON: Error: "},
      {__LINE__, "POST", "/host/step", "", {}, 400, "step 2: null is not a step"},
      {__LINE__, "POST", "/host/scenario", "[1, 2", {}, 400, "The body is not JSON: Error: "},
      {__LINE__, "POST", "/host/scenario", R"({"example": "no-such-example"})", {}, 404,
       "No example scenario is named 'no-such-example'"},
      {__LINE__, "POST", "/host/scenario", R"({"file": "/no/such/file.yaml"})", {}, 404,
       "Cannot read the scenario file /no/such/file.yaml"},
      {__LINE__, "POST", "/host/scenario", "3", {}, 400, "A scenario is "},
      {__LINE__, "POST", "/host/step", tooLarge, {}, 413, "The body is larger than 1 MiB"},
      {__LINE__, "GET", "/arx-player-behavior/v9/nothing", "", {}, 404,
       "No REST function of the plugin takes GET /arx-player-behavior/v9/nothing"},
      {__LINE__, "POST", "/arx-player-behavior/v1/ban", "{}", {}, 404,
       "No REST function of the plugin takes POST /arx-player-behavior/v1/ban"},
      {__LINE__, "GET", "/host/nothing", "", {}, 404, "No host endpoint at GET /host/nothing"},
      {__LINE__, "GET", "/" + std::string(5000, 'a'), "", {}, 414, "The path is longer than 4096 bytes"},
      {__LINE__, "POST", "/host/step", R"({"set": "/arx-gameflow/v1/session", "data": {"phase": "InProgress"}})",
       {{"Origin", "http://example.test"}}, 403, "Requests from other origins are refused"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "line " << c.line);
    httplib::Result answer = std::string(c.method) == "GET" ? client.Get(c.path.c_str(), c.headers)
                                                            : client.Post(c.path.c_str(), c.headers, c.body, "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, c.status) << answer->body;
    const BindingProperty body = Json(answer->body);
    EXPECT_THAT(Text(body, "message"), StartsWith(c.message));
    EXPECT_EQ(body.FieldOrEmpty("httpStatus").GetUnsignedOr(0), static_cast<uint64_t>(c.status));
  }
  EXPECT_EQ(client.Get("/arx-player-behavior/v1/ban")->body, banBefore);
  EXPECT_EQ(client.Get("/host/siblings")->body, siblingsBefore);
  // The page's own origin is served.
  httplib::Result own = client.Get("/host/siblings", {{"Origin", "http://127.0.0.1:" + std::to_string(server.port())}});
  ASSERT_TRUE(own);
  EXPECT_EQ(own->status, 200);
  EXPECT_EQ(server.Stop(), 0);
}

TEST(ServeTest, ServesThePage) {
  ServeProcess server("page");
  ASSERT_NE(server.port(), 0) << server.err();
  httplib::Client client = server.Client();
  const struct {
    int line;
    const char* path;
    const char* contentType;
    const char* part;
  } kCases[] = {
      {__LINE__, "/", "text/html", "/ui/app.js"},
      {__LINE__, "/ui/app.js", "text/javascript", "EventSource('/events')"},
      {__LINE__, "/ui/style.css", "text/css", ".card"},
      {__LINE__, "/host/functions", "application/json", "/arx-player-behavior/v1/reporter-feedback/{id}"},
      {__LINE__, "/api", "text/html", "/ui/api.js"},
      {__LINE__, "/ui/api.js", "text/javascript", "fetch('/openapi.json')"},
      {__LINE__, "/openapi.json", "application/json", R"("operationId":"DeleteArxPlayerBehaviorV1ReporterFeedbackById")"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "line " << c.line);
    httplib::Result answer = client.Get(c.path);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_THAT(answer->get_header_value("Content-Type"), StartsWith(c.contentType));
    EXPECT_THAT(answer->body, HasSubstr(c.part));
  }
  EXPECT_EQ(client.Get("/ui/missing.js")->status, 404);

  EXPECT_EQ(server.Stop(), 0);
}

TEST(ServeTest, ConcurrentRequestsAreAnsweredOneAtATimeByThePlugin) {
  ServeProcess server("concurrent");
  ASSERT_NE(server.port(), 0) << server.err();
  httplib::Client setup = server.Client();
  ASSERT_EQ(setup.Post("/host/step", kSetUpSteps[2], "application/json")->status, 200);

  // Readers of the configuration while a writer flips it: every answer is one of the two
  // whole values, never a torn or failed one.
  constexpr int kReaders = 4;
  constexpr int kReads = 40;
  std::vector<std::vector<std::string>> seen(kReaders);
  std::vector<std::thread> readers;
  for (int r = 0; r < kReaders; ++r) {
    readers.emplace_back([&, r] {
      httplib::Client client = server.Client();
      for (int i = 0; i < kReads; ++i) {
        httplib::Result answer = client.Get("/arx-player-behavior/v1/config");
        seen[r].push_back(answer ? std::to_string(answer->status) + " " + answer->body : "no answer");
      }
    });
  }
  httplib::Client writer = server.Client();
  for (int i = 0; i < 20; ++i) {
    const std::string step = std::string(R"({"set": "/arx-platform-config/v1/namespaces/PlayerBehavior", "data": {"ReformCardV2Enabled": )") +
                             (i % 2 == 0 ? "true" : "false") + "}}";
    httplib::Result posted = writer.Post("/host/step", step, "application/json");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 200);
  }
  for (std::thread& reader : readers) reader.join();
  for (const std::vector<std::string>& answers : seen) {
    ASSERT_EQ(answers.size(), static_cast<std::size_t>(kReads));
    for (const std::string& answer : answers) {
      EXPECT_THAT(answer, ::testing::AnyOf("200 {\"ReformCardV2Enabled\":true}", "200 {\"ReformCardV2Enabled\":false}"));
    }
  }
  EXPECT_EQ(server.Stop(), 0);
}

TEST(ServeTest, ATakenPortOrAMissingPluginEndsWithStatusOne) {
  ServeProcess first("first");
  ASSERT_NE(first.port(), 0) << first.err();
  ServeProcess second("second", "--port " + std::to_string(first.port()));
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_THAT(second.err(), HasSubstr("cannot listen on 127.0.0.1:" + std::to_string(first.port())));
  ServeProcess missing("missing", "--port 0 --plugin /no/such/plugin.so");
  EXPECT_EQ(missing.WaitForExit(), 1);
  EXPECT_THAT(missing.err(), HasSubstr("cannot load the plugin library /no/such/plugin.so"));
  EXPECT_EQ(first.Stop(), 0);
}

}  // namespace
#endif
