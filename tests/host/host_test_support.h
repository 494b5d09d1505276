// Helpers for host tests that act as a plugin would: requests through the host's function
// table, and a collector of the events the host delivers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "binding/host_binding_value.h"
#include "plugin_host.h"

namespace Vela::Host::Testing {

struct Answer {
  uint32_t status = 0;
  std::string error;
  BindingProperty value;
  std::vector<std::string> pieces;  // the body stream's reads, when there was one
};

// Sends a request through the host's Request function, as the plugin does, and releases
// what the host handed out.
inline Answer SendThroughHost(PluginHost& host, uint32_t method, const std::string& path,
                              const std::vector<BindingProperty>& arguments = {}) {
  std::vector<HostArgument> encoded(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) ToHostValue(arguments[i], encoded[i].value);
  HostRequest in{};
  in.method = method;
  in.path = path.c_str();
  in.args = encoded.empty() ? nullptr : encoded.data();
  in.argCount = static_cast<uint32_t>(encoded.size());
  in.requestContext = reinterpret_cast<void*>(uintptr_t{PluginHost::kPluginCookie});
  HostResponse out{};
  HostFunctionTable* table = host.hostApi()->table;
  table->Request(table, &out, &in);
  for (HostArgument& argument : encoded) ReleaseHostValue(argument.value);

  Answer answer;
  answer.status = out.status;
  if (out.head.error != nullptr) answer.error = out.head.error;
  BindingResult decoded = FromHostValue(out.head.value, "<result>");
  if (decoded.ok()) answer.value = std::move(decoded).value();
  if (out.streamRead != nullptr) {
    for (;;) {
      char buffer[4096];
      uint32_t count = sizeof buffer;
      uint8_t more = 0;
      if (out.streamRead(out.stream, buffer, &count, &more) == 0) break;
      answer.pieces.emplace_back(buffer, count);
      if (more == 0) break;
    }
    out.streamRelease(out.stream);
  }
  if (out.release != nullptr) out.release(&out);
  return answer;
}

// Registers itself on the host's bus for event names and keeps what arrives.
class EventCollector {
 public:
  struct Seen {
    std::string name;
    BindingProperty payload;
  };
  void Listen(PluginHost& host, std::string_view name) { host.bus().Register(name, kCookie, &Collect, this, 0); }
  std::vector<Seen> seen;

 private:
  static constexpr uint32_t kCookie = 0xE7E7;
  static void Collect(const HostEvent* event) {
    auto* self = static_cast<EventCollector*>(event->context);
    BindingResult payload = FromHostValue(event->payload, "<result>");
    self->seen.push_back(Seen{event->name, payload.ok() ? std::move(payload).value() : BindingProperty()});
  }
};

}  // namespace Vela::Host::Testing
