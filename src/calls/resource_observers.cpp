#include "calls/resource_observers.h"

#include <vector>

namespace Vela {

bool WildcardMatches(std::string_view pattern, std::string_view path) noexcept {
  std::size_t p = 0;
  std::size_t s = 0;
  while (p < pattern.size() && s < path.size()) {
    if (pattern[p] != '*') {
      if (pattern[p] != path[s]) return false;
      ++p;
      ++s;
    } else if (path[s] != '/') {
      ++s;
      if (s == path.size()) ++p;  // the star took the rest of the path
    } else {
      ++p;  // the star ends at the segment's end
    }
  }
  return p == pattern.size() && s == path.size();
}

void ResourceObservers::Store(std::string_view path, Adapter adapter) {
  auto shared = std::make_shared<const Adapter>(std::move(adapter));
  if (path.find('*') != std::string_view::npos) {
    wildcard_.insert_or_assign(std::string(path), std::move(shared));
  } else {
    exact_.insert_or_assign(std::string(path), std::move(shared));
  }
}

void ResourceObservers::Dispatch(const Plugin::PluginResourceEvent& event) {
  std::string path = event.uri;
  if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
  // Collected first: an observer may change the tables while the others wait.
  std::vector<std::shared_ptr<const Adapter>> observers;
  if (auto found = exact_.find(path); found != exact_.end()) observers.push_back(found->second);
  for (const auto& [pattern, adapter] : wildcard_) {
    if (WildcardMatches(pattern, path)) observers.push_back(adapter);
  }
  for (const auto& observer : observers) (*observer)(event);
}

void ResourceObservers::Clear() noexcept {
  exact_.clear();
  wildcard_.clear();
}

}  // namespace Vela
