#include "plugin/resource_event_name.h"

#include <cstddef>

namespace Vela {
namespace {

constexpr std::string_view kPlatformConfigRoot = "arx-platform-config";
constexpr std::size_t kWordsOfPlatformConfigEvents = 6;
constexpr std::size_t kWordsOfOtherEvents = 4;

}  // namespace

std::string EventNameOfResourcePath(std::string_view path) {
  std::string name(kJsonApiEventName);
  std::size_t words = 1;
  std::size_t limit = kWordsOfOtherEvents;
  std::size_t position = 0;
  while (position <= path.size() && words < limit) {
    std::size_t end = path.find('/', position);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view piece = path.substr(position, end - position);
    position = end + 1;
    if (piece.empty()) continue;
    if (words == 1 && piece == kPlatformConfigRoot) limit = kWordsOfPlatformConfigEvents;
    name.push_back('_');
    name.append(piece);
    ++words;
  }
  return name;
}

}  // namespace Vela
