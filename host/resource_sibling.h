// A simulated sibling that serves resources: GET answers the resource's current value (404
// "Not found" while it has none), and every change set by a test or a scenario is published
// as a resource event, on the host's loop, to the subscribers of the resource's own event
// name and then of "OnJsonApiEvent" (payload: uri, eventType, data).
//
//   auto gameFlow = MakeGameFlowPlugin(host);
//   host.AddSibling(gameFlow);
//   gameFlow->Set(kGameFlowSessionPath, session);  // Create, or Update when it had one
//   gameFlow->Remove(kGameFlowSessionPath);        // Delete
//   gameFlow->StreamGets(7);                       // later GETs answer a body stream
//
// Streamed mode: every GET answers its value as JSON text handed out as a body stream in
// pieces of the given size, to exercise a reader that drains streams piece by piece.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "sibling_plugin.h"

namespace Vela::Host {

class PluginHost;

inline constexpr std::string_view kGameFlowSessionPath = "/arx-gameflow/v1/session";
inline constexpr std::string_view kPlayerBehaviorConfigPath = "/arx-platform-config/v1/namespaces/PlayerBehavior";
inline constexpr std::string_view kResourceNotFoundMessage = "Not found";

class ResourceSibling : public SiblingPlugin {
 public:
  ResourceSibling(PluginHost& host, std::string name, std::vector<std::string> paths);

  std::string_view Name() const override { return name_; }
  std::vector<SiblingRoute> Routes() const override;
  SiblingReply Handle(const SiblingRequest& request) override;

  // Holds `value` as the resource's value and publishes Create (none before) or Update.
  void Set(std::string_view path, BindingProperty value);
  // Forgets the value and publishes Delete with empty data; nothing when none was held.
  void Remove(std::string_view path);
  // The held value; null when none.
  [[nodiscard]] const BindingProperty* Get(std::string_view path) const;

  // 0 answers GETs with values; any other size streams them in pieces of that many bytes.
  void StreamGets(std::size_t pieceBytes) { streamPieceBytes_ = pieceBytes; }
  // GETs answered so far, by path.
  [[nodiscard]] std::size_t GetCount(std::string_view path) const;

 protected:
  PluginHost& host() { return host_; }
  void Publish(std::string_view path, std::string_view eventType, const BindingProperty& data);

 private:
  PluginHost& host_;
  std::string name_;
  std::vector<std::string> paths_;
  std::map<std::string, BindingProperty, std::less<>> values_;
  std::map<std::string, std::size_t, std::less<>> gets_;
  std::size_t streamPieceBytes_ = 0;
};

// The game-flow plugin: `/arx-gameflow/v1/session`.
std::shared_ptr<ResourceSibling> MakeGameFlowPlugin(PluginHost& host);
// The platform-configuration plugin: `/arx-platform-config/v1/namespaces/PlayerBehavior`.
std::shared_ptr<ResourceSibling> MakePlatformConfigPlugin(PluginHost& host);

}  // namespace Vela::Host
