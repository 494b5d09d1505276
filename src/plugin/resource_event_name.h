// The host event name under which changes of a resource path are announced: the words of
// the path joined to "OnJsonApiEvent" by "_", kept to the resource's root.
//
//   EventNameOfResourcePath("/arx-login/v1/session") == "OnJsonApiEvent_arx-login_v1_session"
//   EventNameOfResourcePath("/arx-player-behavior/v1/reporter-feedback/7")
//       == "OnJsonApiEvent_arx-player-behavior_v1_reporter-feedback"
#pragma once

#include <string>
#include <string_view>

namespace Vela {

// Every resource change is also published under this name.
inline constexpr std::string_view kJsonApiEventName = "OnJsonApiEvent";

// Rules: the non-empty pieces of the path between "/" follow "OnJsonApiEvent"; of these
// words the first 6 are kept when the second is exactly "arx-platform-config" (its
// namespaces are resources of their own), otherwise the first 4. A missing leading "/"
// makes no difference.
[[nodiscard]] std::string EventNameOfResourcePath(std::string_view path);

}  // namespace Vela
