// What a plugin did to the host, in order: every call of a host function, kept so that
// tests (and the host's tools) can see the plugin's effects.
//
//   for (const HostCall& call : host.recording().calls)
//     if (call.kind == HostCallKind::FireEvent) std::cout << call.text << "\n";
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"

namespace Vela::Host {

enum class HostCallKind {
  Request,
  Unused1,
  FireEvent,
  RegisterEventHandler,
  UnregisterEventHandler,
  PostTask,
  Yield,
  BeginWait,
  EndWait,
  Log,
};

std::string_view HostCallKindName(HostCallKind kind);

// One host function call. Fields that a kind does not have stay at their defaults.
struct HostCall {
  HostCallKind kind = HostCallKind::Yield;
  // Request: "METHOD path"; FireEvent, (Un)RegisterEventHandler: the event name; PostTask,
  // BeginWait: the label; Log: the message.
  std::string text;
  uint32_t method = 0;  // Request
  uint32_t cookie = 0;  // (Un)RegisterEventHandler
  uint32_t flag = 0;    // RegisterEventHandler: the flag; FireEvent: the event's word
  int32_t level = 0;    // Log
  double delaySeconds = 0.0;  // PostTask
  BindingProperty value;      // FireEvent: the decoded payload; Request: the arguments
  // Request: the sibling's answer (status, and its failure message when it failed).
  uint32_t status = 0;
  std::string error;
};

struct HostRecording {
  std::vector<HostCall> calls;

  // The calls of one kind, in order.
  [[nodiscard]] std::vector<const HostCall*> Of(HostCallKind kind) const;
  [[nodiscard]] std::size_t Count(HostCallKind kind) const;
  // The texts of the calls of one kind, in order.
  [[nodiscard]] std::vector<std::string> Texts(HostCallKind kind) const;
  void Clear() { calls.clear(); }
};

}  // namespace Vela::Host
