#include "player_behavior/player_behavior_registration.h"

#include "binding/native_type_builder.h"
#include "calls/lcds_class_table.h"
#include "player_behavior/lcds_records.h"
#include "player_behavior/player_behavior_records.h"
#include "player_behavior/sibling_records.h"

namespace Vela::Client::PlayerBehavior {

namespace {

void RegisterApiTypes(BindingRegistry& registry) {
  using namespace Api;
  RegisterStruct<PlayerBehaviorConfig>(registry, "PlayerBehaviorConfig")
      .Field("ReformCardV2Enabled", &PlayerBehaviorConfig::ReformCardV2Enabled);
  RegisterEnum<NotificationSource>(registry, "NotificationSource")
      .Value("Invalid", NotificationSource::Invalid)
      .Value("Login", NotificationSource::Login)
      .Value("ForcedShutdown", NotificationSource::ForcedShutdown)
      .Value("Message", NotificationSource::Message);
  RegisterStruct<BanNotification>(registry, "BanNotification")
      .Field("id", &BanNotification::id)
      .Field("source", &BanNotification::source)
      .Field("reason", &BanNotification::reason)
      .Field("timeUntilBanExpires", &BanNotification::timeUntilBanExpires)
      .Field("isPermaBan", &BanNotification::isPermaBan)
      .Field("displayReformCard", &BanNotification::displayReformCard);
  RegisterStruct<RestrictionNotification>(registry, "RestrictionNotification")
      .Field("id", &RestrictionNotification::id)
      .Field("source", &RestrictionNotification::source)
      .Field("gamesRemaining", &RestrictionNotification::gamesRemaining)
      .Field("displayReformCard", &RestrictionNotification::displayReformCard);
  RegisterStruct<ReformCard>(registry, "ReformCard")
      .Field("id", &ReformCard::id)
      .Field("punishmentType", &ReformCard::punishmentType)
      .Field("reason", &ReformCard::reason)
      .Field("timeWhenPunishmentExpires", &ReformCard::timeWhenPunishmentExpires)
      .Field("punishmentLengthTime", &ReformCard::punishmentLengthTime)
      .Field("punishmentLengthGames", &ReformCard::punishmentLengthGames)
      .Field("restrictedChatGamesRemaining", &ReformCard::restrictedChatGamesRemaining)
      .Field("chatLogs", &ReformCard::chatLogs)
      .Field("gameIds", &ReformCard::gameIds)
      .Field("playerFacingMessage", &ReformCard::playerFacingMessage);
  RegisterStruct<ReformCardChatLogs>(registry, "ReformCardChatLogs")
      .Field("preGameChatLogs", &ReformCardChatLogs::preGameChatLogs)
      .Field("inGameChatLogs", &ReformCardChatLogs::inGameChatLogs)
      .Field("postGameChatLogs", &ReformCardChatLogs::postGameChatLogs);
  RegisterStruct<ReformCardV2>(registry, "ReformCardV2")
      .Field("id", &ReformCardV2::id)
      .Field("punishmentType", &ReformCardV2::punishmentType)
      .Field("punishmentReason", &ReformCardV2::punishmentReason)
      .Field("punishedUntilDateMillis", &ReformCardV2::punishedUntilDateMillis)
      .Field("punishmentLengthMillis", &ReformCardV2::punishmentLengthMillis)
      .Field("punishmentLengthGames", &ReformCardV2::punishmentLengthGames)
      .Field("punishedForReformCardChatLogs", &ReformCardV2::punishedForReformCardChatLogs)
      .Field("punishedForGameIds", &ReformCardV2::punishedForGameIds)
      .Field("playerFacingMessage", &ReformCardV2::playerFacingMessage);
  // msgId stays native only.
  RegisterStruct<ReporterFeedback>(registry, "ReporterFeedback")
      .Field("id", &ReporterFeedback::id)
      .Field("type", &ReporterFeedback::type);
  // Registered in this order; the numbers are not.
  RegisterEnum<PlayerBehavior_LoginSessionState>(registry, "PlayerBehavior_LoginSessionState")
      .Value("IN_PROGRESS", PlayerBehavior_LoginSessionState::IN_PROGRESS)
      .Value("ERROR", PlayerBehavior_LoginSessionState::ERROR)
      .Value("SUCCEEDED", PlayerBehavior_LoginSessionState::SUCCEEDED)
      .Value("LOGGING_OUT", PlayerBehavior_LoginSessionState::LOGGING_OUT);
  RegisterStruct<PlayerBehavior_LoginError>(registry, "PlayerBehavior_LoginError")
      .Field("id", &PlayerBehavior_LoginError::id)
      .Field("messageId", &PlayerBehavior_LoginError::messageId)
      .Field("description", &PlayerBehavior_LoginError::description);
  RegisterStruct<PlayerBehavior_LoginSession>(registry, "PlayerBehavior_LoginSession")
      .Field("state", &PlayerBehavior_LoginSession::state)
      .Field("error", &PlayerBehavior_LoginSession::error)
      .Field("summonerId", &PlayerBehavior_LoginSession::summonerId)
      .Field("accountId", &PlayerBehavior_LoginSession::accountId);
  RegisterEnum<GameflowPhase>(registry, "GameflowPhase")
      .Value("None", GameflowPhase::None)
      .Value("Lobby", GameflowPhase::Lobby)
      .Value("Matchmaking", GameflowPhase::Matchmaking)
      .Value("CheckedIntoTournament", GameflowPhase::CheckedIntoTournament)
      .Value("ReadyCheck", GameflowPhase::ReadyCheck)
      .Value("ChampSelect", GameflowPhase::ChampSelect)
      .Value("GameStart", GameflowPhase::GameStart)
      .Value("FailedToLaunch", GameflowPhase::FailedToLaunch)
      .Value("InProgress", GameflowPhase::InProgress)
      .Value("Reconnect", GameflowPhase::Reconnect)
      .Value("WaitingForStats", GameflowPhase::WaitingForStats)
      .Value("PreEndOfGame", GameflowPhase::PreEndOfGame)
      .Value("EndOfGame", GameflowPhase::EndOfGame)
      .Value("TerminatedInError", GameflowPhase::TerminatedInError);
  RegisterStruct<PlayerBehavior_GameflowSessionResource>(registry, "PlayerBehavior_GameflowSessionResource")
      .Field("phase", &PlayerBehavior_GameflowSessionResource::phase);
  RegisterStruct<PlayerNotificationResource>(registry, "PlayerNotificationResource")
      .Field("backgroundUrl", &PlayerNotificationResource::backgroundUrl)
      .Field("created", &PlayerNotificationResource::created)
      .Field("critical", &PlayerNotificationResource::critical)
      .Field("data", &PlayerNotificationResource::data)
      .Field("detailKey", &PlayerNotificationResource::detailKey)
      .Field("expires", &PlayerNotificationResource::expires)
      .Field("iconUrl", &PlayerNotificationResource::iconUrl)
      .Field("id", &PlayerNotificationResource::id)
      .Field("source", &PlayerNotificationResource::source)
      .Field("state", &PlayerNotificationResource::state)
      .Field("titleKey", &PlayerNotificationResource::titleKey)
      .Field("type", &PlayerNotificationResource::type);
  RegisterStruct<PlayerBehavior_SimpleMessage>(registry, "PlayerBehavior_SimpleMessage")
      .Field("accountId", &PlayerBehavior_SimpleMessage::accountId)
      .Field("msgId", &PlayerBehavior_SimpleMessage::msgId)
      .Field("type", &PlayerBehavior_SimpleMessage::type)
      .Field("params", &PlayerBehavior_SimpleMessage::params);
}

void RegisterLcdsTypes(BindingRegistry& registry, LcdsClassTable& classes) {
  using namespace Lcds;
  RegisterStruct<PlayerBehaviorLcdsForcedClientShutdown>(registry, "PlayerBehaviorLcdsForcedClientShutdown")
      .Field("reason", &PlayerBehaviorLcdsForcedClientShutdown::reason)
      .Field("additionalInfo", &PlayerBehaviorLcdsForcedClientShutdown::additionalInfo);
  classes.Add("PlayerBehaviorLcdsForcedClientShutdown", kForcedClientShutdownClass);
  RegisterStruct<PlayerBehaviorLcdsSimpleMessage>(registry, "PlayerBehaviorLcdsSimpleMessage")
      .Field("accountId", &PlayerBehaviorLcdsSimpleMessage::accountId)
      .Field("msgId", &PlayerBehaviorLcdsSimpleMessage::msgId)
      .Field("type", &PlayerBehaviorLcdsSimpleMessage::type)
      .Field("params", &PlayerBehaviorLcdsSimpleMessage::params);
  classes.Add("PlayerBehaviorLcdsSimpleMessage", kSimpleDialogMessageClass);
  RegisterStruct<PlayerBehaviorSimpleMessageResponse>(registry, "PlayerBehaviorSimpleMessageResponse")
      .Field("accountId", &PlayerBehaviorSimpleMessageResponse::accountId)
      .Field("msgId", &PlayerBehaviorSimpleMessageResponse::msgId)
      .Field("command", &PlayerBehaviorSimpleMessageResponse::command);
  classes.Add("PlayerBehaviorSimpleMessageResponse", kSimpleDialogMessageResponseClass);
  // No class name: the reform card reply is JSON, not an LCDS message.
  RegisterStruct<Punishment>(registry, "Punishment")
      .Field("punishedForChatLogs", &Punishment::punishedForChatLogs)
      .Field("punishedForGameIds", &Punishment::punishedForGameIds)
      .Field("punishmentReason", &Punishment::punishmentReason)
      .Field("punishmentType", &Punishment::punishmentType)
      .Field("punishedUntilDateMillis", &Punishment::punishedUntilDateMillis)
      .Field("punishmentLengthMillis", &Punishment::punishmentLengthMillis)
      .Field("permaBan", &Punishment::permaBan)
      .Field("punishmentLengthGames", &Punishment::punishmentLengthGames)
      .Field("playerFacingMessage", &Punishment::playerFacingMessage);
}

}  // namespace

void RegisterPlayerBehaviorTypes(BindingRegistry& registry, LcdsClassTable& classes) {
  RegisterApiTypes(registry);
  RegisterLcdsTypes(registry, classes);
}

}  // namespace Vela::Client::PlayerBehavior
