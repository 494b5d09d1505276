#include "sibling_event_names.h"

#include <vector>

namespace Vela::Host {

std::string ResourceEventName(std::string_view path) {
  std::vector<std::string_view> words{kJsonApiEventName};
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) words.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  const std::size_t keep = words.size() > 1 && words[1] == "arx-platform-config" ? 6 : 4;
  std::string name;
  for (std::size_t i = 0; i < words.size() && i < keep; ++i) {
    if (i != 0) name += '_';
    name += words[i];
  }
  return name;
}

std::string LcdsEventName(std::string_view className) {
  std::string name = "OnLcdsEvent_";
  for (char c : className) name += c == '.' ? '_' : c;
  return name;
}

}  // namespace Vela::Host
