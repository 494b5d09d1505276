// Plays scenario steps against a plugin: loads its library into a PluginHost with the
// simulated login, game-flow, platform-configuration and player-notifications plugins,
// performs the handshake and Start, then runs one step at a time and tells what each step
// brought about — the resource events the plugin fired, the requests it made to its
// siblings, the log lines it forwarded, the answer of a REST call — and which of the
// step's expectations did not hold.
//
//   ScenarioSession session;
//   if (std::string error = session.Open(pluginPath); !error.empty()) return Fail(error);
//   StepOutcome started = session.Started();
//   for (const ScenarioStep& step : scenario.steps) report(session.Run(step));
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "login_plugin.h"
#include "plugin_host.h"
#include "player_notifications_plugin.h"
#include "resource_sibling.h"
#include "scenario.h"

namespace Vela::Host {

// One resource change the plugin announced. A change fired under its own event name and
// then under "OnJsonApiEvent" with the same payload is one change with both names.
struct FiredEvent {
  std::vector<std::string> names;
  std::string eventType;  // of a resource event payload; empty for any other payload
  std::string uri;
  BindingProperty data;
  BindingProperty payload;  // as fired
};

struct SentRequest {
  uint32_t method = 0;
  std::string path;
  BindingProperty arguments;  // a collection
  uint32_t status = 0;        // the sibling's answer
  std::string error;
};

struct ForwardedLog {
  int32_t level = 0;
  std::string text;
};

// The failure of a call that none of the plugin's REST functions takes (status 404),
// followed by the method and the path.
inline constexpr std::string_view kNoFunctionMessage = "No REST function of the plugin takes";

struct CallAnswer {
  bool found = false;  // a REST function of the plugin took the call
  std::string function;
  // The answer's status; a successful answer that sets none counts as 200.
  uint32_t status = 0;
  bool failed = false;
  std::string failure;
  BindingProperty value;
};

// What the plugin did, in the order it did it: an entry of one of the lists of StepOutcome.
enum class DoneKind { Log, Request, Event };
struct Done {
  DoneKind kind = DoneKind::Log;
  std::size_t index = 0;
};

struct StepOutcome {
  std::size_t number = 0;  // 0: the start
  std::string title;       // "call GET /arx-player-behavior/v1/ban"
  std::string note;
  std::vector<FiredEvent> events;
  std::vector<SentRequest> requests;
  std::vector<ForwardedLog> logs;
  std::vector<Done> order;  // every log line, request and event above, as they happened
  std::optional<CallAnswer> answer;
  std::size_t expectations = 0;  // how many the step had
  std::vector<std::string> unmet;  // one text per expectation that did not hold

  [[nodiscard]] bool held() const { return unmet.empty(); }
};

// A step's one-line title: its kind word and what it names.
[[nodiscard]] std::string StepTitle(const ScenarioStep& step);

// Checks a step's expectations against what it brought about; one text per unmet one.
[[nodiscard]] std::vector<std::string> CheckExpectations(const StepExpectations& expect, const StepOutcome& outcome);

class ScenarioSession {
 public:
  ScenarioSession();
  ~ScenarioSession();
  ScenarioSession(const ScenarioSession&) = delete;
  ScenarioSession& operator=(const ScenarioSession&) = delete;

  // Loads the library, performs the handshake with plugin API version 18.0.0, adds the
  // siblings and starts the plugin, letting it settle. Returns the problem, empty when the
  // plugin runs.
  [[nodiscard]] std::string Open(const std::string& pluginPath);
  // What the handshake and Start brought about (number 0).
  [[nodiscard]] StepOutcome Started() const { return started_; }
  StepOutcome Run(const ScenarioStep& step);

  PluginHost& host() { return *host_; }
  // The value a simulated sibling holds at one of SiblingResourcePaths(); null when none.
  [[nodiscard]] const BindingProperty* SiblingValue(std::string_view path);
  LoginPlugin& login() { return *login_; }
  // Forgets what the simulated siblings kept of the plugin's requests to them (a server
  // that runs for hours calls it after each piece of work so that they cannot pile up).
  void ForgetSiblingRecords();

 private:
  // Gathers what the plugin did since the recording's `from`-th call.
  void Collect(std::size_t from, StepOutcome& outcome) const;
  ResourceSibling* SiblingFor(std::string_view path);

  std::unique_ptr<PluginHost> host_;
  std::shared_ptr<LoginPlugin> login_;
  std::shared_ptr<ResourceSibling> gameFlow_;
  std::shared_ptr<ResourceSibling> platformConfig_;
  std::shared_ptr<PlayerNotificationsPlugin> notifications_;
  StepOutcome started_;
};

}  // namespace Vela::Host
