#include "resource_sibling.h"

#include <utility>

#include "codecs/json.h"
#include "plugin_host.h"
#include "sibling_event_names.h"

namespace Vela::Host {
namespace {

constexpr uint32_t kGetMethod = 2;

std::vector<std::string> SplitIntoPieces(const std::string& text, std::size_t pieceBytes) {
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < text.size(); at += pieceBytes) pieces.push_back(text.substr(at, pieceBytes));
  if (pieces.empty()) pieces.emplace_back();  // an empty body is still one (empty) read
  return pieces;
}

}  // namespace

ResourceSibling::ResourceSibling(PluginHost& host, std::string name, std::vector<std::string> paths)
    : host_(host), name_(std::move(name)), paths_(std::move(paths)) {}

std::vector<SiblingRoute> ResourceSibling::Routes() const {
  std::vector<SiblingRoute> routes;
  for (const std::string& path : paths_) routes.push_back(SiblingRoute{kGetMethod, path});
  return routes;
}

SiblingReply ResourceSibling::Handle(const SiblingRequest& request) {
  const std::string_view path = std::string_view(request.path).substr(0, request.path.find('?'));
  ++gets_[std::string(path)];
  const BindingProperty* value = Get(path);
  if (value == nullptr) return SiblingReply::Failure(404, std::string(kResourceNotFoundMessage));
  if (streamPieceBytes_ == 0) return SiblingReply::Value(*value);
  return SiblingReply::Streamed(SplitIntoPieces(WriteJson(*value), streamPieceBytes_));
}

void ResourceSibling::Set(std::string_view path, BindingProperty value) {
  auto found = values_.find(path);
  const bool existed = found != values_.end();
  BindingProperty& held = existed ? found->second : values_[std::string(path)];
  held = std::move(value);
  Publish(path, existed ? "Update" : "Create", held);
}

void ResourceSibling::Remove(std::string_view path) {
  auto found = values_.find(path);
  if (found == values_.end()) return;
  values_.erase(found);
  Publish(path, "Delete", BindingProperty());
}

const BindingProperty* ResourceSibling::Get(std::string_view path) const {
  auto found = values_.find(path);
  return found == values_.end() ? nullptr : &found->second;
}

std::size_t ResourceSibling::GetCount(std::string_view path) const {
  auto found = gets_.find(path);
  return found == gets_.end() ? 0 : found->second;
}

void ResourceSibling::Publish(std::string_view path, std::string_view eventType, const BindingProperty& data) {
  BindingProperty payload;
  payload.MutableField("uri") = path;
  payload.MutableField("eventType") = eventType;
  payload.MutableField("data") = data;
  host_.ScheduleEvent(ResourceEventName(path), payload);
  host_.ScheduleEvent(kJsonApiEventName, std::move(payload));
}

std::shared_ptr<ResourceSibling> MakeGameFlowPlugin(PluginHost& host) {
  return std::make_shared<ResourceSibling>(host, "arx-gameflow", std::vector<std::string>{std::string(kGameFlowSessionPath)});
}

std::shared_ptr<ResourceSibling> MakePlatformConfigPlugin(PluginHost& host) {
  return std::make_shared<ResourceSibling>(host, "arx-platform-config",
                                           std::vector<std::string>{std::string(kPlayerBehaviorConfigPath)});
}

}  // namespace Vela::Host
