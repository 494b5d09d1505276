#include "event_bus.h"

#include <algorithm>

namespace Vela::Host {

void EventBus::Register(std::string_view name, uint32_t cookie, HostEventCallback callback,
                        void* context, uint32_t flag) {
  for (EventRegistration& registration : registrations_) {
    if (registration.name == name && registration.cookie == cookie) {
      registration.callback = callback;
      registration.context = context;
      registration.flag = flag;
      return;
    }
  }
  registrations_.push_back(EventRegistration{std::string(name), cookie, callback, context, flag});
}

bool EventBus::Unregister(std::string_view name, uint32_t cookie) {
  auto found = std::find_if(registrations_.begin(), registrations_.end(), [&](const EventRegistration& r) {
    return r.name == name && r.cookie == cookie;
  });
  if (found == registrations_.end()) return false;
  registrations_.erase(found);
  return true;
}

void EventBus::UnregisterAll(uint32_t cookie) {
  std::erase_if(registrations_, [cookie](const EventRegistration& r) { return r.cookie == cookie; });
}

std::size_t EventBus::Deliver(std::string_view name, const HostBindingValue& payload, uint32_t reserved) {
  // A handler may register or unregister while it runs: walk a snapshot and re-check each
  // entry before calling it.
  std::vector<uint32_t> cookies;
  for (const EventRegistration& registration : registrations_) {
    if (registration.name == name) cookies.push_back(registration.cookie);
  }
  const std::string eventName(name);
  std::size_t called = 0;
  for (uint32_t cookie : cookies) {
    auto current = std::find_if(registrations_.begin(), registrations_.end(), [&](const EventRegistration& r) {
      return r.name == name && r.cookie == cookie;
    });
    if (current == registrations_.end() || current->callback == nullptr) continue;
    HostEvent event{};
    event.name = eventName.c_str();
    event.payload = payload;
    event.reserved = reserved;
    event.context = current->context;
    const HostEventCallback callback = current->callback;  // the vector may change during the call
    callback(&event);
    ++called;
  }
  return called;
}

bool EventBus::IsRegistered(std::string_view name, uint32_t cookie) const {
  return std::any_of(registrations_.begin(), registrations_.end(), [&](const EventRegistration& r) {
    return r.name == name && r.cookie == cookie;
  });
}

std::size_t EventBus::HandlerCount(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                [&](const EventRegistration& r) { return r.name == name; }));
}

}  // namespace Vela::Host
