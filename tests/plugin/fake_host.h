// A host function table for driving a module in-process: records every call and lets a
// test decide what Yield does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "abi/host_api.h"
#include "binding/binding_property.h"
#include "binding/host_value_conversion.h"

namespace Vela::Testing {

struct FakeHost {
  // The module hands the table's address back; the block leads from it to the fake.
  struct Block {
    HostFunctionTable table;
    FakeHost* host;
  };
  Block block{};
  HostFunctionTable& table = block.table;
  HostApi api{&block.table, 0x1234};

  struct Registration {
    std::string name;
    uint32_t cookie;
    HostEventCallback callback;
    void* context;
    uint32_t flag;
  };
  struct Posted {
    HostTaskCallback callback;
    void* context;
    double delay;
  };
  struct Fired {
    std::string name;
    BindingProperty payload;
    uint32_t word;
  };

  // Every call as "Name" or "Name text", in order.
  std::vector<std::string> calls;
  std::vector<Registration> registrations;  // current ones
  std::vector<Posted> posted;
  std::vector<Fired> fired;
  std::vector<std::pair<int32_t, std::string>> logs;
  std::function<void()> onYield;

  FakeHost() {
    block.host = this;
    table.Request = [](HostFunctionTable* self, HostResponse*, const HostRequest*) { From(self).calls.push_back("Request"); };
    table.Unused1 = [](HostFunctionTable* self, uint32_t, uint32_t) { From(self).calls.push_back("Unused1"); };
    table.FireEvent = [](HostFunctionTable* self, const HostEvent* event) {
      FakeHost& host = From(self);
      host.calls.push_back(std::string("FireEvent ") + event->name);
      BindingResult payload = FromHostValue(event->payload, "<result>");
      host.fired.push_back(Fired{event->name, payload.value(), event->reserved});
    };
    table.RegisterEventHandler = [](HostFunctionTable* self, const char* name, uint32_t cookie,
                                    HostEventCallback callback, void* context, uint32_t flag) {
      FakeHost& host = From(self);
      host.calls.push_back(std::string("RegisterEventHandler ") + name);
      host.registrations.push_back(Registration{name, cookie, callback, context, flag});
    };
    table.UnregisterEventHandler = [](HostFunctionTable* self, const char* name, uint32_t cookie) {
      FakeHost& host = From(self);
      host.calls.push_back(std::string("UnregisterEventHandler ") + name);
      std::erase_if(host.registrations, [&](const Registration& r) { return r.name == name && r.cookie == cookie; });
    };
    table.PostTask = [](HostFunctionTable* self, const char* label, HostTaskCallback callback, void* context,
                        double delay, uint32_t) {
      FakeHost& host = From(self);
      host.calls.push_back(std::string("PostTask ") + label);
      host.posted.push_back(Posted{callback, context, delay});
    };
    table.Yield = [](HostFunctionTable* self) {
      FakeHost& host = From(self);
      host.calls.push_back("Yield");
      if (host.onYield) host.onYield();
    };
    table.BeginWait = [](HostFunctionTable* self, const char* label, uint32_t) {
      From(self).calls.push_back(std::string("BeginWait ") + label);
    };
    table.EndWait = [](HostFunctionTable* self) -> uint64_t {
      From(self).calls.push_back("EndWait");
      return 42;
    };
    table.Log = [](HostFunctionTable* self, int32_t level, const char* text) {
      From(self).logs.emplace_back(level, text);
    };
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static FakeHost& From(HostFunctionTable* table) { return *reinterpret_cast<Block*>(table)->host; }

  // Delivers an event to the current registration of `name`, as the host would.
  bool Deliver(const std::string& name, const BindingProperty& payload) {
    for (const Registration& registration : registrations) {
      if (registration.name != name) continue;
      HostBindingValue value{};
      ToHostValue(payload, value);
      HostEvent event{name.c_str(), value, 0, registration.context};
      registration.callback(&event);
      ReleaseHostValue(value);
      return true;
    }
    return false;
  }

  // Runs and forgets the posted tasks, in order of posting.
  void RunPosted() {
    std::vector<Posted> tasks;
    tasks.swap(posted);
    for (const Posted& task : tasks) task.callback(task.context);
  }
};

}  // namespace Vela::Testing
