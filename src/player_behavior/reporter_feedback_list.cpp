#include "player_behavior/reporter_feedback_list.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace Vela::Client::PlayerBehavior {

namespace {

auto FindEntry(std::vector<Api::ReporterFeedback>& entries, uint64_t id) {
  return std::find_if(entries.begin(), entries.end(),
                      [id](const Api::ReporterFeedback& entry) { return entry.id == id; });
}

}  // namespace

std::optional<Api::ReporterFeedback> FindReporterFeedback(const std::vector<Api::ReporterFeedback>& entries,
                                                          uint64_t id) {
  for (const Api::ReporterFeedback& entry : entries) {
    if (entry.id == id) return entry;
  }
  return std::nullopt;
}

bool RemoveReporterFeedback(std::vector<Api::ReporterFeedback>& entries, uint64_t id) {
  auto found = FindEntry(entries, id);
  if (found == entries.end()) return false;
  if (found != entries.end() - 1) *found = std::move(entries.back());
  entries.pop_back();
  return true;
}

bool IsReporterFeedbackVisible(Api::GameflowPhase phase) noexcept {
  return phase == Api::GameflowPhase::None || phase == Api::GameflowPhase::Lobby ||
         phase == Api::GameflowPhase::EndOfGame;
}

std::string ReporterFeedbackEntryPath(uint64_t id) {
  char path[96];
  std::snprintf(path, sizeof path, kReporterFeedbackEntryPathFormat, static_cast<long long>(id));
  return path;
}

}  // namespace Vela::Client::PlayerBehavior
