// Back-end messages: simple dialog messages dispatched by type, the login data packet taken
// apart in its fixed order, and the acknowledgement of a handled message.
#include <algorithm>
#include <string>

#include "binding/native_type.h"
#include "calls/plugin_records.h"
#include "player_behavior/player_behavior_service.h"
#include "plugin/error_responses.h"

namespace Vela::Client::PlayerBehavior {

namespace {

bool IsReporterFeedbackType(std::string_view type) {
  return std::find(std::begin(kReporterFeedbackTypes), std::end(kReporterFeedbackTypes), type) !=
         std::end(kReporterFeedbackTypes);
}

}  // namespace

void PlayerBehaviorService::OnSimpleMessageAndWait(const Api::PlayerBehavior_SimpleMessage& message) {
  // The message's accountId is not examined: the connection is the player's own.
  if (message.type == kHarassmentRestrictionType) {
    if (!message.params.empty()) HandleRestrictionMessageAndWait(message.msgId, message.params);
  } else if (IsReporterFeedbackType(message.type)) {
    AddReporterFeedback(message.msgId, message.type);
  } else if (message.type == kDisplayReformCardType) {
    if (loggedIn_) WantReformCardAndWait();
  }
}

void PlayerBehaviorService::OnLoginDataPacketAndWait(const ResourceUpdate<BindingProperty>& update) {
  if (update.eventType == Plugin::PluginResourceEventType::Delete) return;
  const BindingProperty& packet = update.value;
  accountId_ = packet.FieldOrEmpty("allSummonerData").FieldOrEmpty("summoner").FieldOrEmpty("acctId").AsUnsigned(0);
  // A reconnect carries the state of the running session: nothing else of it is news.
  if (packet.FieldOrEmpty("reconnectInfo").kind() == BindingKind::Structure) return;

  // Replayed below from the packet's own messages; no event, the entries come back anew.
  reporterFeedback_.clear();
  for (const BindingProperty& element : packet.FieldOrEmpty("simpleMessages").Elements()) {
    // Fields that do not convert keep their defaults; an entry without a known type is
    // ignored by the dispatch.
    Api::PlayerBehavior_SimpleMessage message;
    if (types_ != nullptr) {
      BindingResult status = BindingResult::Ok();
      FromBindingInto(status, message, element, kSimpleMessageRootName, *types_);
    }
    OnSimpleMessageAndWait(message);
  }

  const uint64_t bannedUntil = packet.FieldOrEmpty("bannedUntilDateMillis").AsUnsigned(0);
  if (bannedUntil != 0) HandleBannedUntilDate(bannedUntil);

  const int64_t chatGames = packet.FieldOrEmpty("restrictedChatGamesRemaining").AsSigned(0);
  const int64_t rankedGames = packet.FieldOrEmpty("restrictedGamesRemainingForRanked").AsSigned(0);
  ClearChatRestrictionForLogin(chatGames);
  StoreRankedRestrictionForLogin(rankedGames);

  if (!packet.FieldOrEmpty("displayPrimeReformCard").AsBool() && chatGames <= 0) return;
  WantReformCardAndWait();
  StoreChatRestrictionForLogin(chatGames);
}

std::optional<RestFailure> PlayerBehaviorService::AcknowledgeAndWait(std::string_view msgId) {
  Lcds::PlayerBehaviorSimpleMessageResponse response;
  response.accountId = accountId_;
  response.msgId = msgId;
  response.command = kAckCommand;
  MaybeType<Failure, bool> sent = host_.InvokeLcdsAndWait(kAckDestination, kAckOperation, response);
  if (sent.ok()) return std::nullopt;
  return InternalServerError(sent.message());
}

}  // namespace Vela::Client::PlayerBehavior
