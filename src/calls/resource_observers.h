// Resource observers: follow a REST resource of another plugin and receive every change of
// it as a typed value. An exact path is read once when observed (delivered as "Create");
// a path with "*" is a pattern matched against the path of every incoming resource event.
//
//   module.observers().Observe<LoginSession>(
//       "/arx-login/v1/session", [&](const ResourceUpdate<LoginSession>& update) {
//         if (update.eventType == Plugin::PluginResourceEventType::Delete) return Forget();
//         Use(update.value);
//       });
//
// Pattern rule: "*" stands for the rest of one path segment, never for a "/", and takes
// as many characters as it can. So "/a/*/c" matches "/a/b/c" but not "/a/b/x/c", and
// "/a/*" matches "/a/b" but neither "/a/" nor "/a/b/c". Every other character matches
// itself.
//
// One observer per path or pattern: observing again replaces it (and counts one more
// subscription of the path's event). Observers are never removed but by Clear.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "calls/call_context.h"
#include "calls/plugin_records.h"
#include "calls/typed_request.h"
#include "util/fnv1a.h"

namespace Vela {

// The root name under which event data is converted.
inline constexpr std::string_view kResourceDataRootName = "<value>";

// A change handed to an observer of T; `value` stays default for a deletion.
template <class T>
struct ResourceUpdate {
  std::string uri;
  Plugin::PluginResourceEventType eventType = Plugin::PluginResourceEventType::Create;
  T value{};
};

// Whether `path` matches `pattern` by the rule above.
[[nodiscard]] bool WildcardMatches(std::string_view pattern, std::string_view path) noexcept;

class ResourceObservers {
 public:
  using Adapter = std::function<void(const Plugin::PluginResourceEvent&)>;

  explicit ResourceObservers(CallContext& context) : context_(context) {}
  ResourceObservers(const ResourceObservers&) = delete;
  ResourceObservers& operator=(const ResourceObservers&) = delete;

  // Stores `observer` under `path`, subscribes to the path's event and, for an exact path,
  // GETs the resource as a T and hands it to the observer at once as "Create" (a failed
  // read delivers nothing; the observer waits for the first event). May yield to the host
  // during that read. Event data that does not convert to T is dropped; a deletion is
  // delivered without conversion.
  template <class T>
  void Observe(std::string_view path, std::function<void(const ResourceUpdate<T>&)> observer);

  // The resource-event dispatcher: the exact observer of the event's path ("/" put in
  // front when missing), then every matching pattern's observer in pattern order.
  void Dispatch(const Plugin::PluginResourceEvent& event);

  void Clear() noexcept;
  [[nodiscard]] std::size_t ExactCount() const noexcept { return exact_.size(); }
  [[nodiscard]] std::size_t WildcardCount() const noexcept { return wildcard_.size(); }

 private:
  void Store(std::string_view path, Adapter adapter);

  CallContext& context_;
  // Held by pointer: an observer may observe again (replacing entries) while it runs.
  std::unordered_map<std::string, std::shared_ptr<const Adapter>, Fnv1aHash, std::equal_to<>> exact_;
  std::map<std::string, std::shared_ptr<const Adapter>, std::less<>> wildcard_;
};

// --- Out-of-line definitions. ---

template <class T>
void ResourceObservers::Observe(std::string_view path,
                                std::function<void(const ResourceUpdate<T>&)> observer) {
  Store(path, [&context = context_, observer](const Plugin::PluginResourceEvent& event) {
    ResourceUpdate<T> update{event.uri, event.eventType, T{}};
    if (event.eventType != Plugin::PluginResourceEventType::Delete) {
      const BindingRegistry* types = context.conversionTypes();
      if (types == nullptr) return;
      MaybeType<Failure, T> value = FromBinding<T>(event.data, kResourceDataRootName, *types);
      if (!value.ok()) return;
      update.value = std::move(value).value();
    }
    if (observer) observer(update);
  });
  context_.Subscribe(path);
  if (path.find('*') != std::string_view::npos) return;
  MaybeType<Failure, T> initial = RequestOf<T>(context_, HttpMethod::Get, path);
  if (!initial.ok() || !observer) return;
  observer(ResourceUpdate<T>{std::string(path), Plugin::PluginResourceEventType::Create,
                             std::move(initial).value()});
}

}  // namespace Vela
