// Bans through the real plugin: forced client shutdowns, account-banned login errors, and
// what replacing and logging out do to the held ban.
#include <string>

#include "plugin_scenario.h"
#include "util/epoch_time.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr uint64_t kHorizon = 94'608'000'000ULL;
constexpr uint64_t kDay = 86'400'000ULL;

class Bans : public PluginScenario {
 protected:
  void SetUp() override {
    PluginScenario::SetUp();
    Start();
  }
  void Shutdown(std::string_view reason, std::string_view info) {
    Push(kForcedShutdownClass,
         R"({"reason":")" + std::string(reason) + R"(","additionalInfo":")" + std::string(info) + R"("})");
  }
  void AccountBanned(const std::string& description) {
    BindingProperty session = Json(R"({"state":"ERROR","summonerId":0,"accountId":0,)"
                                   R"("error":{"id":"e","messageId":"ACCOUNT_BANNED"}})");
    session.MutableField("error").MutableField("description") = description;
    login_->Set(Host::kLoginSessionPath, session);
    host_.RunUntilIdle();
  }
};

TEST_F(Bans, ForcedShutdownReasonsFollowTheTable) {
  struct Case {
    int line;
    std::string reason;
    std::string info;
    std::string stored;  // empty: ignored
  };
  const Case cases[] = {
      {__LINE__, "USER_BANNED_FOR_LEAVING", "x", "Leaver"},
      {__LINE__, "USER_BANNED_FOR_LEAVING!", "", "Banned"},
      {__LINE__, "USER_BANNED", "ALTBAN-3", "ALTBAN-3"},
      {__LINE__, "USER_BANNED", "-ALTBAN-3", "Banned"},
      {__LINE__, "USER_SUSPENDED!", "", ""},
      {__LINE__, "MAINTENANCE", "ALTBAN", ""},
  };
  uint64_t lastId = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Mark();
    Shutdown(c.reason, c.info);
    const CallResult ban = Get("/arx-player-behavior/v1/ban");
    ASSERT_FALSE(ban.failed) << ban.error;
    if (c.stored.empty()) {
      EXPECT_EQ(IdOf(ban.value), lastId);
      EXPECT_THAT(EventLines(), IsEmpty());
      EXPECT_THAT(LogsWith("Player banned"), IsEmpty());
      continue;
    }
    EXPECT_GT(IdOf(ban.value), lastId);
    lastId = IdOf(ban.value);
    EXPECT_EQ(TextOf(ban.value, "reason"), c.stored);
    EXPECT_EQ(SourceOf(ban.value), "ForcedShutdown");
    EXPECT_EQ(ban.value.FieldOrEmpty("timeUntilBanExpires").AsUnsigned(9), 0u);
    EXPECT_FALSE(ban.value.FieldOrEmpty("isPermaBan").AsBool());
    EXPECT_FALSE(ban.value.FieldOrEmpty("displayReformCard").AsBool());
    EXPECT_THAT(LogsWith("Player banned " + c.reason + ": " + c.info), testing::SizeIs(1));
  }
}

TEST_F(Bans, ReplacingAHeldBanDeletesItFirstThroughBothEventNames) {
  EXPECT_EQ(Get("/arx-player-behavior/v1/ban").status, 404u);
  Mark();
  Shutdown("USER_SUSPENDED", "");
  EXPECT_THAT(EventLines(), ElementsAre("Create /arx-player-behavior/v1/ban"));
  const uint64_t first = IdOf(Events()[0].data);
  EXPECT_EQ(first, 1u);

  Mark();
  Shutdown("USER_BANNED_FOR_LEAVING", "");
  EXPECT_THAT(EventLines(),
              ElementsAre("Delete /arx-player-behavior/v1/ban", "Create /arx-player-behavior/v1/ban"));
  EXPECT_TRUE(Events()[0].data.IsEmpty());
  EXPECT_GT(IdOf(Events()[1].data), first);
  EXPECT_EQ(TextOf(Events()[1].data, "reason"), "Leaver");
  // Each publication goes out under the resource's own event name, then the general one.
  EXPECT_THAT(FiredNames(), ElementsAre("OnJsonApiEvent_arx-player-behavior_v1_ban", "OnJsonApiEvent",
                                        "OnJsonApiEvent_arx-player-behavior_v1_ban", "OnJsonApiEvent"));
}

TEST_F(Bans, AccountBannedAtLoginReadsTheDescription) {
  const uint64_t now = NowEpochMillis();
  struct Case {
    int line;
    std::string description;
    std::string reason;
    uint64_t expires;
    bool perma;
    std::string logged;
  };
  const std::string dayAhead = std::to_string(now + kDay);
  const Case cases[] = {
      {__LINE__, R"({"banReason":"PERMA_BAN","expiration":0})", "PERMA_BAN", 0, true,
       "(reason: 'PERMA_BAN') until FOREVER"},
      {__LINE__, R"({"banReason":"ALTBAN-3","expiration":)" + std::to_string(now + 10 * 365 * kDay) + "}",
       "ALTBAN-3-PERMABAN", now + 10 * 365 * kDay, true, "(reason: 'ALTBAN-3') until FOREVER"},
      {__LINE__, R"({"banReason":"ALTBAN-3","expiration":)" + dayAhead + "}", "ALTBAN-3", now + kDay, false,
       "(reason: 'ALTBAN-3') until " + EpochMillisToIsoText(now + kDay)},
      // Exactly three years ahead is not permanent.
      {__LINE__, R"({"banReason":"TOXIC","expiration":)" + std::to_string(now + kHorizon) + "}", "TOXIC",
       now + kHorizon, false, "until " + EpochMillisToIsoText(now + kHorizon)},
      {__LINE__, R"({"expiration":)" + std::to_string(now + kHorizon + 60'000) + "}", "Banned",
       now + kHorizon + 60'000, true, "(reason: '') until FOREVER"},
      // Other kinds convert: a numeric string gives its number.
      {__LINE__, R"({"banReason":"X","expiration":"12345"})", "X", 12345, false,
       "until 1970-01-01T00:00:12.345Z"},
      {__LINE__, "not json", "Banned", 0, false, "(reason: '') until 1970-01-01T00:00:00.000Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Mark();
    AccountBanned(c.description);
    const CallResult ban = Get("/arx-player-behavior/v1/ban");
    ASSERT_FALSE(ban.failed) << ban.error;
    EXPECT_EQ(TextOf(ban.value, "reason"), c.reason);
    EXPECT_EQ(ban.value.FieldOrEmpty("timeUntilBanExpires").AsUnsigned(), c.expires);
    EXPECT_EQ(ban.value.FieldOrEmpty("isPermaBan").AsBool(), c.perma);
    EXPECT_EQ(SourceOf(ban.value), "Login");
    EXPECT_FALSE(ban.value.FieldOrEmpty("displayReformCard").AsBool());
    EXPECT_THAT(LogsWith("Player's account is banned "), ElementsAre(HasSubstr(c.logged)));
    // The session's resource delivers Create, then the same ban again on each Update.
    login_->Remove(Host::kLoginSessionPath);
    host_.RunUntilIdle();
  }
}

TEST_F(Bans, OtherLoginErrorsChangeNothing) {
  SetLoginSession(R"({"state":"ERROR","error":{"messageId":"ACCOUNT_BANNED_X","description":"{}"}})");
  SetLoginSession(R"({"state":"SUCCEEDED","summonerId":1,"accountId":2,)"
                  R"("error":{"messageId":"ACCOUNT_BANNED","description":"{}"}})");
  SetLoginSession(R"({"state":"ERROR"})");
  EXPECT_EQ(Get("/arx-player-behavior/v1/ban").status, 404u);
}

TEST_F(Bans, LoggingOutKeepsTheBan) {
  AccountBanned(R"({"banReason":"PERMA_BAN"})");
  Mark();
  LogOut();
  EXPECT_THAT(EventLines(), IsEmpty());
  const CallResult ban = Get("/arx-player-behavior/v1/ban");
  EXPECT_FALSE(ban.failed);
  EXPECT_EQ(TextOf(ban.value, "reason"), "PERMA_BAN");
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
