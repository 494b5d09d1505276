#include "host_recording.h"

namespace Vela::Host {

std::string_view HostCallKindName(HostCallKind kind) {
  switch (kind) {
    case HostCallKind::Request: return "Request";
    case HostCallKind::Unused1: return "Unused1";
    case HostCallKind::FireEvent: return "FireEvent";
    case HostCallKind::RegisterEventHandler: return "RegisterEventHandler";
    case HostCallKind::UnregisterEventHandler: return "UnregisterEventHandler";
    case HostCallKind::PostTask: return "PostTask";
    case HostCallKind::Yield: return "Yield";
    case HostCallKind::BeginWait: return "BeginWait";
    case HostCallKind::EndWait: return "EndWait";
    case HostCallKind::Log: return "Log";
  }
  return {};
}

std::vector<const HostCall*> HostRecording::Of(HostCallKind kind) const {
  std::vector<const HostCall*> found;
  for (const HostCall& call : calls) {
    if (call.kind == kind) found.push_back(&call);
  }
  return found;
}

std::size_t HostRecording::Count(HostCallKind kind) const {
  std::size_t count = 0;
  for (const HostCall& call : calls) count += call.kind == kind ? 1 : 0;
  return count;
}

std::vector<std::string> HostRecording::Texts(HostCallKind kind) const {
  std::vector<std::string> texts;
  for (const HostCall& call : calls) {
    if (call.kind == kind) texts.push_back(call.text);
  }
  return texts;
}

}  // namespace Vela::Host
