// Telemetry: events posted to the host's telemetry resource, "/telemetry/v1/events/"
// followed by the event's name, with the event's data as one structure of texts.
//
//   std::future<MaybeType<Failure, bool>> sent =
//       module.telemetry()->Send("reform-card-shown", {{"type", "chat"}});
//
// The future is complete when returned; a failed post is reported only through it.
#pragma once

#include <future>
#include <string>
#include <string_view>
#include <unordered_map>

#include "binding/maybe_type.h"
#include "calls/call_context.h"

namespace Vela {

inline constexpr std::string_view kTelemetryEventsPath = "/telemetry/v1/events/";

using TelemetryEventData = std::unordered_map<std::string, std::string>;

class TelemetrySender {
 public:
  explicit TelemetrySender(CallContext& context) : context_(context) {}
  TelemetrySender(const TelemetrySender&) = delete;
  TelemetrySender& operator=(const TelemetrySender&) = delete;

  // POSTs `data` (one text field per entry; an empty map posts an empty structure).
  [[nodiscard]] std::future<MaybeType<Failure, bool>> Send(std::string_view eventName,
                                                           const TelemetryEventData& data);

 private:
  CallContext& context_;
};

}  // namespace Vela
