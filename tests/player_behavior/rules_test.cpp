// The pure rules beneath the service: ban reasons and permanence, the until-text, path
// identifiers, the chat restriction notification and the feedback entries' paths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player_behavior/ban_rules.h"
#include "player_behavior/chat_restriction_notification.h"
#include "player_behavior/reporter_feedback_list.h"
#include "player_behavior/stoi_argument.h"
#include "util/assertion_hook.h"
#include "util/epoch_time.h"

namespace Vela::Client::PlayerBehavior {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(ForcedShutdownBanReason, FollowsTheSuffixTable) {
  struct Case {
    int line;
    std::string reason;
    std::string additionalInfo;
    std::optional<std::string> stored;
  };
  const Case cases[] = {
      {__LINE__, "USER_BANNED_FOR_LEAVING", "", "Leaver"},
      {__LINE__, "USER_BANNED_BY_PRIME_SYSTEM", "ALTBAN-3", "PrimeSystem"},
      // The suffix must match whole.
      {__LINE__, "USER_BANNED_FOR_LEAVINGX", "", "Banned"},
      {__LINE__, "USER_BANNED", "ALTBAN-3", "ALTBAN-3"},
      // "ALTBAN" must begin the text.
      {__LINE__, "USER_BANNED", "xALTBAN-3", "Banned"},
      {__LINE__, "USER_SUSPENDED", "ALTBAN-3", "Banned"},
      {__LINE__, "USER_SUSPENDEDX", "", std::nullopt},
      {__LINE__, "SERVER_SHUTDOWN", "ALTBAN-3", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ForcedShutdownBanReason(c.reason, c.additionalInfo), c.stored);
  }
}

TEST(PermanentBan, IsStrictlyBeyondThreeYears) {
  const uint64_t now = 1'700'000'000'000ULL;
  EXPECT_FALSE(IsBeyondPermanentHorizon(now + kPermanentBanHorizonMillis, now));
  EXPECT_TRUE(IsBeyondPermanentHorizon(now + kPermanentBanHorizonMillis + 1, now));
  // The largest end does not wrap around.
  EXPECT_TRUE(IsBeyondPermanentHorizon(UINT64_MAX, now));
  EXPECT_FALSE(IsBeyondPermanentHorizon(UINT64_MAX, UINT64_MAX - 5));
}

std::vector<std::string> g_assertions;

void RecordAssertion(const char* expression, const char*, const char*, int32_t, const char*) {
  g_assertions.emplace_back(expression);
}

TEST(BanUntilText, ForeverOrTheIsoTextWithAReportWhenThereIsNoDate) {
  struct Case {
    int line;
    uint64_t end;
    bool permanent;
    std::string text;
    std::vector<std::string> reports;
  };
  const Case cases[] = {
      {__LINE__, 0, false, "1970-01-01T00:00:00.000Z", {}},
      {__LINE__, kLatestIsoTextMillis, false, "3000-12-31T23:59:59.999Z", {}},
      // Past the year 3000 there is no calendar date: the empty text, reported.
      {__LINE__, kLatestIsoTextMillis + 1, false, "", {"ALE-8A14EBBK"}},
      {__LINE__, UINT64_MAX, true, "FOREVER", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    g_assertions.clear();
    SetAssertionReporter(&RecordAssertion);
    EXPECT_EQ(BanUntilText(c.end, c.permanent), c.text);
    SetAssertionReporter(nullptr);
    EXPECT_EQ(g_assertions, c.reports);
  }
}

TEST(ParseStoiArgument, ReadsAsTheStandardConversion) {
  struct Case {
    int line;
    std::string text;
    int32_t value;        // when message is empty
    std::string message;  // the failure
  };
  const Case cases[] = {
      {__LINE__, "12", 12, ""},
      {__LINE__, "12abc", 12, ""},
      {__LINE__, "  \t\n+7", 7, ""},
      {__LINE__, "-3", -3, ""},
      {__LINE__, "2147483647", 2147483647, ""},
      {__LINE__, "-2147483648", INT32_MIN, ""},
      {__LINE__, "2147483648", 0, "stoi argument out of range"},
      {__LINE__, "-2147483649", 0, "stoi argument out of range"},
      {__LINE__, "99999999999999999999999999", 0, "stoi argument out of range"},
      {__LINE__, "abc", 0, "invalid stoi argument"},
      {__LINE__, "", 0, "invalid stoi argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    MaybeType<Failure, int32_t> parsed = ParseStoiArgument(c.text);
    if (c.message.empty()) {
      ASSERT_TRUE(parsed.ok()) << parsed.message();
      EXPECT_EQ(parsed.value(), c.value);
    } else {
      ASSERT_FALSE(parsed.ok());
      EXPECT_EQ(parsed.message(), c.message);
    }
  }
}

TEST(ChatRestrictionNotification, ChoosesKeysByGamesRemaining) {
  struct Case {
    int line;
    int64_t games;
    std::string title;
    std::string detail;
    std::string text;
  };
  const Case cases[] = {
      {__LINE__, 0, "player_behavior_chat_restriction_notification_finished_header",
       "player_behavior_chat_restriction_notification_finished_body", "0"},
      {__LINE__, 1, "player_behavior_chat_restriction_notification_header_singular",
       "player_behavior_chat_restriction_notification_body", "1"},
      {__LINE__, 2, "player_behavior_chat_restriction_notification_header_plural",
       "player_behavior_chat_restriction_notification_body", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const Api::PlayerNotificationResource n = ChatRestrictionNotification(c.games);
    EXPECT_EQ(n.titleKey, c.title);
    EXPECT_EQ(n.detailKey, c.detail);
    EXPECT_THAT(n.data, ElementsAre(Pair("gamesRemaining", c.text)));
    EXPECT_EQ(n.iconUrl, "/fe/arx-player-notifications/images/vela_fist.png");
    EXPECT_FALSE(n.critical);
  }
}

// The phases that show the list are read through the service (reporter_feedback_test.cpp).
TEST(ReporterFeedbackList, EntryPathsWriteTheIdentifierAsASignedNumber) {
  EXPECT_EQ(ReporterFeedbackEntryPath(UINT64_MAX), "/arx-player-behavior/v1/reporter-feedback/-1");
}

}  // namespace
}  // namespace Vela::Client::PlayerBehavior
