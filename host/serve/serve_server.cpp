#include "serve_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "codecs/json.h"
#include "embedded_file.h"
#include "event_hub.h"
#include "loop_bridge.h"
#include "openapi_document.h"
#include "scenario.h"
#include "scenario_report.h"
#include "scenario_runner.h"
#include "serve_json.h"

namespace Vela::Host {
namespace {

constexpr int kExitStopped = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

// Bodies beyond this are refused (413) before they are read.
constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 20;
// Paths beyond this are refused (414): no REST function has one, and the server's route
// patterns are regular expressions whose matcher recurses per character.
constexpr std::size_t kMaxPathBytes = 4096;
constexpr int kServerThreads = 24;
constexpr std::size_t kMaxEventStreams = 16;
// An idle event stream sends a comment this often, which also finds clients that left.
constexpr auto kStreamKeepAlive = std::chrono::seconds(5);
constexpr auto kStreamPoll = std::chrono::milliseconds(500);

namespace Message {
constexpr std::string_view kNotJson = "The body is not JSON: ";
constexpr std::string_view kShuttingDown = "The server is shutting down";
constexpr std::string_view kTooManyStreams = "Too many event streams are open";
constexpr std::string_view kForeignOrigin = "Requests from other origins are refused";
constexpr std::string_view kPathTooLong = "The path is longer than 4096 bytes";
constexpr std::string_view kNoHostEndpoint = "No host endpoint at ";
constexpr std::string_view kUnknownExample = "No example scenario is named ";
constexpr std::string_view kCannotRead = "Cannot read the scenario file ";
constexpr std::string_view kBadScenarioRequest =
    "A scenario is {\"example\": NAME}, {\"file\": PATH}, or a scenario document (a list of steps, or "
    "{\"name\", \"description\", \"steps\"})";
}  // namespace Message

volatile std::sig_atomic_t gStopSignal = 0;
extern "C" void OnStopSignal(int) { gStopSignal = 1; }

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

std::string_view ContentTypeOf(std::string_view name) {
  if (name.ends_with(".html")) return "text/html; charset=utf-8";
  if (name.ends_with(".css")) return "text/css; charset=utf-8";
  if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
  if (name.ends_with(".svg")) return "image/svg+xml";
  if (name.ends_with(".yaml")) return "text/yaml; charset=utf-8";
  return "application/octet-stream";
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The server's own texts for the statuses it answers by itself.
std::string_view StatusText(int status) {
  switch (status) {
    case 400: return "Bad request";
    case 404: return "Not found";
    case 405: return "Method not allowed";
    case 413: return "The body is larger than 1 MiB";
    case 414: return "The path is too long";
    case 431: return "The request's headers are too large";
    case 503: return "Service unavailable";
    default: return status >= 500 ? "Server error" : "Bad request";
  }
}

void Send(httplib::Response& res, const HttpAnswer& answer) {
  res.status = answer.status;
  for (const auto& [name, value] : answer.headers) {
    // The server frames the answer itself.
    if (SameLetters(name, "Content-Length") || SameLetters(name, "Transfer-Encoding") || SameLetters(name, "Connection") ||
        SameLetters(name, "Content-Type")) {
      continue;
    }
    res.set_header(name.c_str(), value);
  }
  res.set_content(answer.body, answer.contentType.c_str());
}

// The played scenarios as {name, description} for the page's buttons.
struct ExampleInfo {
  std::string name;  // the file's name without ".yaml"
  std::string description;
  Scenario scenario;
};

std::vector<ExampleInfo> ParseExamples() {
  std::vector<ExampleInfo> examples;
  for (const EmbeddedFile& file : ExampleScenarios()) {
    ScenarioParse parse = ParseScenario(file.bytes);
    if (!parse.ok()) continue;  // the host's tests parse every example
    std::string name(file.name.substr(0, file.name.rfind('.')));
    examples.push_back(ExampleInfo{std::move(name), parse.scenario.description, std::move(parse.scenario)});
  }
  return examples;
}

class Server {
 public:
  Server(ScenarioSession& session, std::ostream& out) : session_(session), out_(out), examples_(ParseExamples()) {
    for (const RestFunctionInfo& function : session_.host().RestFunctions()) {
      BindingProperty& entry = functions_.Append();
      entry.MutableField("name") = function.name;
      entry.MutableField("method") = HttpMethodWord(function.method);
      entry.MutableField("path") = function.pathTemplate;
    }
    if (functions_.IsEmpty()) functions_.MakeCollection();
    // The description block does not change while the plugin lives: one document serves.
    openApi_ = WriteJson(OpenApiDocument(session_.host().handshake()));
  }

  // Binds 127.0.0.1:port (any free port for 0); the port, or -1.
  int Bind(int port) {
    Configure();
    if (port == 0) return http_.bind_to_any_port("127.0.0.1");
    return http_.bind_to_port("127.0.0.1", port) ? port : -1;
  }

  // Serves until a stop signal; the calling thread drives the plugin meanwhile.
  void Run() {
    std::atomic<bool> listenEnded{false};
    std::thread listener([&] {
      http_.listen_after_bind();
      listenEnded = true;
    });
    bridge_.Serve([&] { return gStopSignal != 0 || listenEnded; });
    // Streams end first, so that stopping the server does not wait for their threads.
    hub_.Close();
    // A stop before the listener runs would be missed by it, and it would never end.
    while (!http_.is_running() && !listenEnded) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    http_.stop();
    listener.join();
  }

 private:
  // On the loop thread, after every piece of work: the events the plugin fired go to the
  // streams in the order fired, and the recording and the siblings' records of the plugin's
  // requests are emptied so they cannot grow.
  void PublishFired() {
    HostRecording& recording = session_.host().recording();
    for (const HostCall& call : recording.calls) {
      if (call.kind == HostCallKind::FireEvent) hub_.Publish("message", WriteJson(FiredEventJson(call)));
    }
    recording.Clear();
    session_.ForgetSiblingRecords();
  }

  // Runs `work` on the loop thread; the answer it made, or 503 while shutting down.
  template <typename Work>
  HttpAnswer OnLoop(Work work) {
    HttpAnswer answer;
    const bool ran = bridge_.Run([&] {
      answer = work();
      PublishFired();
    });
    return ran ? answer : ErrorAnswer(503, Message::kShuttingDown);
  }

  void Announce(std::string_view what) {
    BindingProperty note;
    note.MutableField("ran") = what;
    hub_.Publish("host", WriteJson(note));
  }

  HttpAnswer RunSteps(const Scenario& scenario, std::string_view name) {
    return OnLoop([&] {
      BindingProperty json;
      json.MutableField("name") = name;
      BindingProperty& steps = json.MutableField("steps");
      steps.MakeCollection();
      std::size_t expectations = 0;
      std::size_t unmet = 0;
      for (const ScenarioStep& step : scenario.steps) {
        const StepOutcome outcome = session_.Run(step);
        expectations += outcome.expectations;
        unmet += outcome.unmet.size();
        steps.Append() = OutcomeJson(outcome);
      }
      json.MutableField("expectations") = static_cast<uint64_t>(expectations);
      json.MutableField("unmet") = static_cast<uint64_t>(unmet);
      json.MutableField("held") = unmet == 0;
      PublishFired();
      Announce(name);
      return JsonAnswer(json);
    });
  }

  HttpAnswer Step(const httplib::Request& req) {
    BindingResult body = ParseJson(req.body);
    if (!body.ok()) return ErrorAnswer(400, std::string(Message::kNotJson) + std::string(body.message()));
    ScenarioParse parse = ParseStepValue(body.value(), ++stepNumber_);
    if (!parse.ok()) return ErrorAnswer(400, parse.error);
    const ScenarioStep& step = parse.scenario.steps.front();
    return OnLoop([&] {
      const StepOutcome outcome = session_.Run(step);
      PublishFired();
      Announce(outcome.title);
      return JsonAnswer(OutcomeJson(outcome));
    });
  }

  HttpAnswer ScenarioRequest(const httplib::Request& req) {
    BindingResult body = ParseJson(req.body);
    if (!body.ok()) return ErrorAnswer(400, std::string(Message::kNotJson) + std::string(body.message()));
    const BindingProperty& document = body.value();
    if (document.kind() == BindingKind::Structure && document.size() == 1) {
      const BindingProperty& example = document.FieldOrEmpty("example");
      if (example.kind() == BindingKind::String) {
        const std::string_view name = example.GetStringOr({});
        for (const ExampleInfo& info : examples_) {
          if (info.name == name) return RunSteps(info.scenario, info.name);
        }
        return ErrorAnswer(404, std::string(Message::kUnknownExample) + "'" + std::string(name) + "'");
      }
      const BindingProperty& file = document.FieldOrEmpty("file");
      if (file.kind() == BindingKind::String) {
        const std::string path(file.GetStringOr({}));
        std::string text;
        if (!ReadFile(path, text)) return ErrorAnswer(404, std::string(Message::kCannotRead) + path);
        ScenarioParse parse = ParseScenario(text);
        if (!parse.ok()) return ErrorAnswer(400, path + ": " + parse.error);
        return RunSteps(parse.scenario, parse.scenario.name.empty() ? path : parse.scenario.name);
      }
    }
    if (document.kind() != BindingKind::Structure && document.kind() != BindingKind::Collection) {
      return ErrorAnswer(400, Message::kBadScenarioRequest);
    }
    ScenarioParse parse = ParseScenarioValue(document);
    if (!parse.ok()) return ErrorAnswer(400, parse.error);
    return RunSteps(parse.scenario, parse.scenario.name.empty() ? std::string("scenario") : parse.scenario.name);
  }

  HttpAnswer PluginCall(const httplib::Request& req) {
    CallRequest request;
    request.method = HttpMethodCode(req.method);
    request.path = req.target.empty() ? req.path : req.target;
    for (const auto& [name, value] : req.headers) {
      if (name.starts_with("REMOTE_") || name.starts_with("LOCAL_")) continue;  // the server's own notes
      request.headers.push_back(NamedText{name, value});
    }
    request.contentType = req.get_header_value("Content-Type");
    request.body = req.body;
    if (request.method == 0) return ErrorAnswer(405, std::string(kNoFunctionMessage) + " " + req.method + " " + req.path);
    return OnLoop([&] {
      CallResult result = session_.host().Call(request);
      // Work the call scheduled runs now, as a scenario's call step lets it.
      session_.host().RunUntilIdle();
      return AnswerOf(result, req.method, request.path);
    });
  }

  HttpAnswer Siblings() {
    return OnLoop([&] {
      BindingProperty json;
      for (std::string_view path : SiblingResourcePaths()) {
        const BindingProperty* value = session_.SiblingValue(path);
        json.MutableField(path) = value == nullptr ? BindingProperty() : *value;
      }
      return JsonAnswer(json);
    });
  }

  HttpAnswer Examples() const {
    BindingProperty json;
    json.MakeCollection();
    for (const ExampleInfo& info : examples_) {
      BindingProperty& entry = json.Append();
      entry.MutableField("name") = info.name;
      entry.MutableField("description") = info.description;
      entry.MutableField("steps") = static_cast<uint64_t>(info.scenario.steps.size());
    }
    return JsonAnswer(json);
  }

  // The messages the stream carried lately, oldest first, as [{id, type, data}]: the data
  // texts are the stream's own JSON, so they are joined rather than parsed again.
  HttpAnswer RecentEvents() const {
    std::string body = "[";
    for (const StreamMessage& message : hub_.Recent()) {
      if (body.size() > 1) body += ",";
      body += "{\"id\":" + std::to_string(message.id) + ",\"type\":" + WriteJson(BindingProperty(message.event)) +
              ",\"data\":" + (message.data.empty() ? std::string("null") : message.data) + "}";
    }
    body += "]";
    HttpAnswer answer;
    answer.body = std::move(body);
    return answer;
  }

  // A browser page of another site may send requests to loopback; only this server's own
  // page (or a client that names no origin, like curl) is served.
  bool ForeignOrigin(const httplib::Request& req) const {
    if (!req.has_header("Origin")) return false;
    const std::string origin = req.get_header_value("Origin");
    const std::string port = std::to_string(port_);
    return origin != "http://127.0.0.1:" + port && origin != "http://localhost:" + port;
  }

  void EventStream(const httplib::Request&, httplib::Response& res) {
    std::shared_ptr<EventHub::Client> client = hub_.Subscribe();
    if (client == nullptr) return Send(res, ErrorAnswer(503, Message::kTooManyStreams));
    res.set_header("Cache-Control", "no-cache");
    auto lastWrite = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::time_point{});
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, client, lastWrite](std::size_t, httplib::DataSink& sink) {
          std::string text;
          if (*lastWrite == std::chrono::steady_clock::time_point{}) text = "retry: 1000\n: connected\n\n";
          EventHub::Batch batch = hub_.Take(*client, text.empty() ? kStreamPoll : std::chrono::milliseconds(0));
          if (!batch.open) return false;
          for (const StreamMessage& message : batch.messages) text += StreamMessageText(message);
          const auto now = std::chrono::steady_clock::now();
          if (text.empty() && now - *lastWrite >= kStreamKeepAlive) text = ": keep-alive\n\n";
          if (text.empty()) return true;
          *lastWrite = now;
          return sink.write(text.data(), text.size());
        },
        [this, client](bool) { hub_.Unsubscribe(client); });
  }

  void Configure() {
    http_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    // The library's default lets a second server share the port (SO_REUSEPORT), and the
    // two would split the requests between two plugins: a taken port must be refused.
    http_.set_socket_options([](auto) {});
    http_.set_payload_max_length(kMaxBodyBytes);
    http_.set_keep_alive_max_count(1000);
    // An answer goes out as headers, then body: without this, the body waits for the
    // client's delayed acknowledgement (some 40 ms a request).
    http_.set_tcp_nodelay(true);
    http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      if (ForeignOrigin(req)) {
        Send(res, ErrorAnswer(403, Message::kForeignOrigin));
        return httplib::Server::HandlerResponse::Handled;
      }
      if (req.path.size() > kMaxPathBytes) {
        Send(res, ErrorAnswer(414, Message::kPathTooLong));
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    // Answers the server makes by itself (413, 400 for a bad request line) get a JSON body.
    http_.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
      const HttpAnswer answer = ErrorAnswer(res.status, StatusText(res.status));
      res.set_content(answer.body, answer.contentType.c_str());
      return httplib::Server::HandlerResponse::Handled;
    }));

    auto page = [](std::string_view name) {
      return [name](const httplib::Request&, httplib::Response& res) {
        const EmbeddedFile* file = FindEmbedded(StaticFiles(), name);
        if (file == nullptr) return Send(res, ErrorAnswer(404, "No page file " + std::string(name)));
        res.set_header("Cache-Control", "no-cache");
        res.set_content(std::string(file->bytes), std::string(ContentTypeOf(name)).c_str());
      };
    };
    http_.Get("/", page("index.html"));
    http_.Get("/api", page("api.html"));
    http_.Get("/openapi.json", [this](const httplib::Request&, httplib::Response& res) {
      res.set_header("Cache-Control", "no-cache");
      res.set_content(openApi_, "application/json");
    });
    http_.Get(R"(/ui/([A-Za-z0-9._-]+))", [](const httplib::Request& req, httplib::Response& res) {
      const std::string name = req.matches[1];
      const EmbeddedFile* file = FindEmbedded(StaticFiles(), name);
      if (file == nullptr) return Send(res, ErrorAnswer(404, "No page file " + name));
      res.set_header("Cache-Control", "no-cache");
      res.set_content(std::string(file->bytes), std::string(ContentTypeOf(name)).c_str());
    });
    http_.Get("/events", [this](const httplib::Request& req, httplib::Response& res) { EventStream(req, res); });
    http_.Get("/host/memory", [this](const httplib::Request&, httplib::Response& res) {
      Send(res, OnLoop([&] { return JsonAnswer(MemoryJson(session_.host().MemoryStats())); }));
    });
    http_.Get("/host/events", [this](const httplib::Request&, httplib::Response& res) { Send(res, RecentEvents()); });
    http_.Get("/host/functions", [this](const httplib::Request&, httplib::Response& res) { Send(res, JsonAnswer(functions_)); });
    http_.Get("/host/examples", [this](const httplib::Request&, httplib::Response& res) { Send(res, Examples()); });
    http_.Get("/host/siblings", [this](const httplib::Request&, httplib::Response& res) { Send(res, Siblings()); });
    http_.Post("/host/step", [this](const httplib::Request& req, httplib::Response& res) { Send(res, Step(req)); });
    http_.Post("/host/scenario",
               [this](const httplib::Request& req, httplib::Response& res) { Send(res, ScenarioRequest(req)); });

    // Everything else is the plugin's, except the host's own namespace.
    auto plugin = [this](const httplib::Request& req, httplib::Response& res) {
      if (req.path.starts_with("/host/")) {
        return Send(res, ErrorAnswer(404, std::string(Message::kNoHostEndpoint) + req.method + " " + req.path));
      }
      Send(res, PluginCall(req));
    };
    http_.Get(".*", plugin);
    http_.Post(".*", plugin);
    http_.Put(".*", plugin);
    http_.Patch(".*", plugin);
    http_.Delete(".*", plugin);
    http_.Options(".*", plugin);
  }

 public:
  void SetPort(int port) { port_ = port; }

 private:
  ScenarioSession& session_;
  std::ostream& out_;
  std::vector<ExampleInfo> examples_;
  BindingProperty functions_;
  std::string openApi_;
  httplib::Server http_;
  LoopBridge bridge_;
  EventHub hub_{kMaxEventStreams};
  std::atomic<std::size_t> stepNumber_{0};  // control steps as they arrive, on any HTTP thread
  int port_ = 0;
};

}  // namespace

int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
  // From the start, so that a stop asked for while the plugin starts is a clean one too.
  gStopSignal = 0;
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  Scenario scenario;
  if (!options.scenarioPath.empty()) {
    std::string text;
    if (!ReadFile(options.scenarioPath, text)) {
      err << "arx-host: cannot read the scenario file " << options.scenarioPath << "\n";
      return kExitBadInput;
    }
    ScenarioParse parse = ParseScenario(text);
    if (!parse.ok()) {
      err << "arx-host: " << options.scenarioPath << ": " << parse.error << "\n";
      return kExitBadInput;
    }
    scenario = std::move(parse.scenario);
  }
  ScenarioSession session;
  if (std::string error = session.Open(options.pluginPath); !error.empty()) {
    err << "arx-host: " << error << "\n";
    return kExitFailed;
  }
  if (!scenario.steps.empty()) {
    ReportWriter report(out, ReportForm::Compact);
    for (const ScenarioStep& step : scenario.steps) report.Step(session.Run(step));
    report.Summary(scenario.name.empty() ? options.scenarioPath : scenario.name);
  }
  session.host().recording().Clear();

  auto server = std::make_unique<Server>(session, out);
  const int port = server->Bind(options.port);
  if (port <= 0) {
    err << "arx-host: cannot listen on 127.0.0.1:" << options.port << "\n";
    return kExitFailed;
  }
  server->SetPort(port);
  out << "arx-host serve: http://127.0.0.1:" << port << "/ (plugin " << options.pluginPath << ")" << std::endl;
  server->Run();
  server.reset();
  out << "arx-host serve: stopped" << std::endl;
  return kExitStopped;
}

}  // namespace Vela::Host
