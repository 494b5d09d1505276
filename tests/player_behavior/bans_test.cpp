// Bans against a fake host and clock: account-banned login errors, forced shutdowns and
// logging out.
#include <string>

#include "fake_host.h"

namespace Vela::Client::PlayerBehavior::Testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint64_t kHorizon = 94'608'000'000ULL;
constexpr uint64_t kDay = 86'400'000ULL;
constexpr std::string_view kCreateBan = "Create /arx-player-behavior/v1/ban";
constexpr std::string_view kDeleteBan = "Delete /arx-player-behavior/v1/ban";

class BanService : public ServiceTest {
 protected:
  void AccountBanned(const std::string& description) {
    service_.OnLoginSession(Created(Api::PlayerBehavior_LoginSession{
        Api::PlayerBehavior_LoginSessionState::ERROR, Api::PlayerBehavior_LoginError{"e", "ACCOUNT_BANNED", description},
        0, 0}));
  }
};

TEST_F(BanService, AccountBannedAtLoginReadsTheDescription) {
  const uint64_t now = host_.now;
  struct Case {
    int line;
    std::string description;
    std::string reason;
    uint64_t expires;
    bool perma;
    std::string logged;
  };
  const Case cases[] = {
      {__LINE__, R"({"banReason":"PERMA_BAN","expiration":0})", "PERMA_BAN", 0, true,
       "Player's account is banned (reason: 'PERMA_BAN') until FOREVER"},
      {__LINE__, R"({"banReason":"ALTBAN-3","expiration":)" + std::to_string(now + kHorizon + 1) + "}",
       "ALTBAN-3-PERMABAN", now + kHorizon + 1, true, "Player's account is banned (reason: 'ALTBAN-3') until FOREVER"},
      {__LINE__, R"({"banReason":"ALTBAN-3","expiration":)" + std::to_string(now + kDay) + "}", "ALTBAN-3",
       now + kDay, false, "Player's account is banned (reason: 'ALTBAN-3') until 2023-11-15T22:13:20.000Z"},
      {__LINE__, R"({"expiration":)" + std::to_string(now + kHorizon + 1) + "}", "Banned", now + kHorizon + 1, true,
       "Player's account is banned (reason: '') until FOREVER"},
      // Other kinds convert: a numeric string gives its number.
      {__LINE__, R"({"banReason":"X","expiration":"12345"})", "X", 12345, false,
       "Player's account is banned (reason: 'X') until 1970-01-01T00:00:12.345Z"},
      {__LINE__, "not json", "Banned", 0, false,
       "Player's account is banned (reason: '') until 1970-01-01T00:00:00.000Z"},
  };
  uint64_t lastId = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    AccountBanned(c.description);
    std::vector<std::string> expected = {std::string(kCreateBan)};
    if (lastId != 0) expected.insert(expected.begin(), std::string(kDeleteBan));
    EXPECT_EQ(host_.TakeEffects(), expected);
    const RestResult<Api::BanNotification> ban = service_.GetBan();
    ASSERT_TRUE(ban.result.ok());
    EXPECT_EQ(ban.result.value().id, lastId + 1);
    lastId = ban.result.value().id;
    EXPECT_EQ(ban.result.value().reason, c.reason);
    EXPECT_EQ(ban.result.value().timeUntilBanExpires, c.expires);
    EXPECT_EQ(ban.result.value().isPermaBan, c.perma);
    EXPECT_EQ(ban.result.value().source, Api::NotificationSource::Login);
    EXPECT_FALSE(ban.result.value().displayReformCard);
    EXPECT_THAT(TakeLogs(), ElementsAre(c.logged));
  }
}

TEST_F(BanService, AForcedShutdownStoresItsReasonOnlyWhenItIsABan) {
  service_.OnForcedClientShutdown({"MAINTENANCE", "ALTBAN"});
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  service_.OnForcedClientShutdown({"USER_BANNED", "ALTBAN-3"});
  EXPECT_THAT(host_.TakeEffects(), ElementsAre(kCreateBan));
  const Api::BanNotification ban = service_.GetBan().result.value();
  EXPECT_EQ(ban.reason, "ALTBAN-3");
  EXPECT_EQ(ban.source, Api::NotificationSource::ForcedShutdown);
  EXPECT_EQ(ban.timeUntilBanExpires, 0u);
  EXPECT_FALSE(ban.isPermaBan);
  EXPECT_THAT(TakeLogs(), ElementsAre("Player banned USER_BANNED: ALTBAN-3"));
}

TEST_F(BanService, OtherLoginErrorsChangeNothing) {
  using State = Api::PlayerBehavior_LoginSessionState;
  const Api::PlayerBehavior_LoginError banned{"e", "ACCOUNT_BANNED", "{}"};
  service_.OnLoginSession(Created(Api::PlayerBehavior_LoginSession{
      State::ERROR, Api::PlayerBehavior_LoginError{"e", "ACCOUNT_BANNED_X", "{}"}, 0, 0}));
  service_.OnLoginSession(Created(Api::PlayerBehavior_LoginSession{State::SUCCEEDED, banned, 1, 2}));
  service_.OnLoginSession(Created(Api::PlayerBehavior_LoginSession{State::ERROR, {}, 0, 0}));
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  EXPECT_EQ(service_.GetBan().status, 404u);
}

TEST_F(BanService, LoggingOutKeepsTheBan) {
  AccountBanned(R"({"banReason":"PERMA_BAN"})");
  host_.TakeEffects();
  service_.OnLoginSession(Deleted<Api::PlayerBehavior_LoginSession>());
  EXPECT_THAT(host_.TakeEffects(), IsEmpty());
  EXPECT_EQ(service_.GetBan().result.value().reason, "PERMA_BAN");
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior::Testing
