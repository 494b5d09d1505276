// The host's event bus: handlers registered by event name and cookie; delivering an event
// calls every handler of its name with the event record.
//
//   bus.Register("OnJsonApiEvent", cookie, callback, context, 0);
//   bus.Deliver("OnJsonApiEvent", payload, 0);  // callback(&event), event.context == context
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/host_api.h"

namespace Vela::Host {

struct EventRegistration {
  std::string name;
  uint32_t cookie = 0;
  HostEventCallback callback = nullptr;
  void* context = nullptr;
  uint32_t flag = 0;
};

class EventBus {
 public:
  // One registration per (name, cookie): registering again replaces it.
  void Register(std::string_view name, uint32_t cookie, HostEventCallback callback, void* context,
                uint32_t flag);
  // False when there was no such registration.
  bool Unregister(std::string_view name, uint32_t cookie);
  // Drops every registration of `cookie` (a stopped plugin).
  void UnregisterAll(uint32_t cookie);

  // Calls the handlers of `name` registered when the delivery starts, in order of
  // registration; a handler unregistered by an earlier one is skipped. Returns how many
  // were called.
  std::size_t Deliver(std::string_view name, const HostBindingValue& payload, uint32_t reserved);

  [[nodiscard]] bool IsRegistered(std::string_view name, uint32_t cookie) const;
  [[nodiscard]] std::size_t HandlerCount(std::string_view name) const;
  [[nodiscard]] const std::vector<EventRegistration>& registrations() const { return registrations_; }

 private:
  std::vector<EventRegistration> registrations_;
};

}  // namespace Vela::Host
