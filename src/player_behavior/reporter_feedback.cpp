// Reporter feedback: entries arrive with feedback messages, are listed only while the
// player is out of a game, and leave with a DELETE that acknowledges their message.
#include <string>

#include "player_behavior/player_behavior_service.h"
#include "player_behavior/reporter_feedback_list.h"
#include "player_behavior/stoi_argument.h"
#include "plugin/error_responses.h"

namespace Vela::Client::PlayerBehavior {

namespace {

// A path id that does not read as a number answers this status.
constexpr uint32_t kBadIdentifierStatus = 400;

// The number compared with the entries' ids: sign-extended, as the conversion's int is.
uint64_t EntryIdOf(int32_t number) { return static_cast<uint64_t>(static_cast<int64_t>(number)); }

}  // namespace

void PlayerBehaviorService::AddReporterFeedback(std::string_view msgId, std::string_view type) {
  Api::ReporterFeedback entry;
  entry.id = TakeId();
  entry.msgId = msgId;
  entry.type = type;
  reporterFeedback_.push_back(entry);
  // Published in every phase: visibility concerns the list and GET only.
  host_.PublishResource(ReporterFeedbackEntryPath(entry.id), entry);
}

std::vector<Api::ReporterFeedback> PlayerBehaviorService::VisibleReporterFeedback() const {
  if (!IsReporterFeedbackVisible(phase_)) return {};
  return reporterFeedback_;
}

RestResult<Api::ReporterFeedback> PlayerBehaviorService::GetReporterFeedback(const std::string& id) const {
  // Out of the visible phases every id answers an empty entry, without being read.
  if (!IsReporterFeedbackVisible(phase_)) return Api::ReporterFeedback{};
  MaybeType<Failure, int32_t> number = ParseStoiArgument(id);
  if (!number.ok()) return RestFailure{kBadIdentifierStatus, std::string(number.message())};
  std::optional<Api::ReporterFeedback> entry = FindReporterFeedback(reporterFeedback_, EntryIdOf(number.value()));
  if (!entry) return NotFound();
  return *entry;
}

RestResult<Api::ReporterFeedback> PlayerBehaviorService::DeleteReporterFeedbackAndWait(const std::string& id) {
  MaybeType<Failure, int32_t> number = ParseStoiArgument(id);
  if (!number.ok()) return RestFailure{kBadIdentifierStatus, std::string(number.message())};
  const uint64_t entryId = EntryIdOf(number.value());
  std::optional<Api::ReporterFeedback> entry = FindReporterFeedback(reporterFeedback_, entryId);
  if (!entry) return NotFound();
  RemoveReporterFeedback(reporterFeedback_, entryId);
  // A failed acknowledgement does not keep the entry: the player dismissed it.
  (void)AcknowledgeAndWait(entry->msgId);
  host_.PublishResourceDeletion(ReporterFeedbackEntryPath(entry->id));
  return *entry;
}

}  // namespace Vela::Client::PlayerBehavior
