// The reporter feedback list: lookup and removal by identifier, the phases in which the
// list is shown, and an entry's resource path.
//
//   std::optional<Api::ReporterFeedback> entry = FindReporterFeedback(list, 2);
//   RemoveReporterFeedback(list, 2);   // {1, 2, 3} becomes {1, 3}; removing 1 gives {3, 2}
//   ReporterFeedbackEntryPath(7) == "/arx-player-behavior/v1/reporter-feedback/7"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player_behavior/player_behavior_records.h"
#include "player_behavior/sibling_records.h"

namespace Vela::Client::PlayerBehavior {

// The list path ends with "/": the entries live below it.
inline constexpr std::string_view kReporterFeedbackListEventPath = "/arx-player-behavior/v1/reporter-feedback/";
inline constexpr const char* kReporterFeedbackEntryPathFormat = "/arx-player-behavior/v1/reporter-feedback/%lli";

// The first entry whose id is `id`; none when no entry has it.
[[nodiscard]] std::optional<Api::ReporterFeedback> FindReporterFeedback(
    const std::vector<Api::ReporterFeedback>& entries, uint64_t id);

// Removes the first entry whose id is `id` by moving the last entry into its place (the
// order of the others is not kept). False when no entry has it.
bool RemoveReporterFeedback(std::vector<Api::ReporterFeedback>& entries, uint64_t id);

// The list is shown in None, Lobby and EndOfGame only.
[[nodiscard]] bool IsReporterFeedbackVisible(Api::GameflowPhase phase) noexcept;

// The id is printed as a signed 64-bit decimal.
[[nodiscard]] std::string ReporterFeedbackEntryPath(uint64_t id);

}  // namespace Vela::Client::PlayerBehavior
