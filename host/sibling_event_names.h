// The event names under which the simulated siblings publish: the host sees only names and
// payloads, so it spells them the way the plugins agree on them.
//
//   ResourceEventName("/arx-login/v1/session");  // "OnJsonApiEvent_arx-login_v1_session"
//   LcdsEventName("com.example.Message");         // "OnLcdsEvent_com_example_Message"
#pragma once

#include <string>
#include <string_view>

namespace Vela::Host {

inline constexpr std::string_view kJsonApiEventName = "OnJsonApiEvent";

// "OnJsonApiEvent" joined by "_" with the path's non-empty segments, keeping the first
// three segments (five under "arx-platform-config").
[[nodiscard]] std::string ResourceEventName(std::string_view path);

// "OnLcdsEvent_" followed by the class name with every "." replaced by "_".
[[nodiscard]] std::string LcdsEventName(std::string_view className);

}  // namespace Vela::Host
