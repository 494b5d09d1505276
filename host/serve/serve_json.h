// The JSON the server answers with: an HTTP answer for a call of one of the plugin's REST
// functions, a fired event as the event stream carries it, what a control step brought
// about, the plugin's memory counters.
//
//   HttpAnswer answer = AnswerOf(host.Call(request), "GET", "/arx-player-behavior/v1/ban");
//   // answer.status 200, answer.body {"id":1,...}; a failure: {"httpStatus":404,"message":"Not found"}
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/binding_property.h"
#include "host_recording.h"
#include "plugin_host.h"
#include "scenario_runner.h"

namespace Vela::Host {

inline constexpr std::string_view kJsonContentType = "application/json; charset=utf-8";

struct HttpAnswer {
  int status = 200;
  std::string contentType = std::string(kJsonContentType);
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// A failure's body: {"httpStatus": STATUS, "message": MESSAGE}.
[[nodiscard]] HttpAnswer ErrorAnswer(int status, std::string_view message);
[[nodiscard]] HttpAnswer JsonAnswer(const BindingProperty& value, int status = 200);

// A success with status 0 is 200; a failure keeps its status, or 500 when it has none;
// a call no function took is 404 with kNoFunctionMessage, the method and the path.
[[nodiscard]] HttpAnswer AnswerOf(const CallResult& result, std::string_view method, std::string_view path);

// A FireEvent call of the recording as the event stream carries it: name, eventType, uri
// and data for a resource event; name and data (the whole payload) for any other.
[[nodiscard]] BindingProperty FiredEventJson(const HostCall& call);

// A step's title, note, events, requests, logs, answer and expectations.
[[nodiscard]] BindingProperty OutcomeJson(const StepOutcome& outcome);

// The fourteen memory words as named counters, with bytes and allocations in use.
[[nodiscard]] BindingProperty MemoryJson(const std::array<uint32_t, 14>& words);

}  // namespace Vela::Host
