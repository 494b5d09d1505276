// Reform cards: fetched from the back end's reform card service when the trigger finds the
// player idle; the first version as a list of punishments, the second as one card.
#include "player_behavior/player_behavior_log.h"
#include "player_behavior/player_behavior_service.h"
#include "player_behavior/resource_paths.h"

namespace Vela::Client::PlayerBehavior {

void PlayerBehaviorService::FetchReformCardAndWait() {
  MaybeType<Failure, std::vector<Lcds::Punishment>> reply =
      host_.RequestPunishmentsAndWait(kReformCardService, kGetReformCardMethod);
  // A failed or empty reply changes nothing; the request it answered is used up.
  if (!reply.ok() || reply.value().empty()) return;
  const Lcds::Punishment& punishment = reply.value().front();

  // Travels with the chat restriction's next publication.
  chatRestriction_.displayReformCard = true;
  if (reformCard_.id != 0) {
    reformCard_ = Api::ReformCard{};
    host_.PublishResourceDeletion(kReformCardPath);
  }
  reformCard_ = Api::ReformCard{};
  reformCard_.id = TakeId();
  reformCard_.punishmentType = punishment.punishmentType;
  reformCard_.reason = punishment.punishmentReason;
  reformCard_.timeWhenPunishmentExpires = punishment.punishedUntilDateMillis;
  reformCard_.punishmentLengthTime = punishment.punishmentLengthMillis;
  reformCard_.punishmentLengthGames = punishment.punishmentLengthGames;
  reformCard_.restrictedChatGamesRemaining = punishment.punishmentLengthGames;
  reformCard_.chatLogs = punishment.punishedForChatLogs;
  reformCard_.gameIds = punishment.punishedForGameIds;
  reformCard_.playerFacingMessage = punishment.playerFacingMessage;
  LogPlayerBehavior(kReformCardLogFormat, reformCard_.punishmentType.c_str(), reformCard_.reason.c_str());
  host_.PublishResource(kReformCardPath, reformCard_);
}

void PlayerBehaviorService::FetchReformCardV2AndWait() {
  MaybeType<Failure, Api::ReformCardV2> reply =
      host_.RequestReformCardV2AndWait(kReformCardService, kGetReformCardV2Method);
  // A card without a punishment type is no card, whatever else it carries.
  if (!reply.ok() || reply.value().punishmentType.empty()) return;

  chatRestriction_.displayReformCard = true;
  // The second version is replaced without a deletion: its path always holds the latest.
  reformCardV2_ = std::move(reply).value();
  reformCardV2_.id = TakeId();
  LogPlayerBehavior(kReformCardV2LogFormat, reformCardV2_.punishmentType.c_str(),
                    reformCardV2_.punishmentReason.c_str());
  host_.PublishResource(kReformCardV2Path, reformCardV2_);
}

}  // namespace Vela::Client::PlayerBehavior
