// The real plugin library, loaded into the development host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "scenario.h"
#include "scenario_runner.h"

namespace Vela::Host {
namespace {


class PluginEndToEnd : public ::testing::Test {
 protected:
  void Load() { ASSERT_EQ(host_.Load(ARX_PLUGIN_LIBRARY), ""); }
  PluginHost host_;
};

// Same major version and no older minor/patch is answered; any other host ends the process.
TEST_F(PluginEndToEnd, HandshakeAnswersCompatibleHostsAndEndsTheProcessOtherwise) {
  const struct {
    int line;
    HostVersion version;
    bool compatible;
  } cases[] = {{__LINE__, {18, 0, 0}, true}, {__LINE__, {18, 5, 2}, true}, {__LINE__, {17, 9, 9}, false}, {__LINE__, {19, 0, 0}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    if (!c.compatible) {
      EXPECT_DEATH(
          {
            PluginHost host;
            if (host.Load(ARX_PLUGIN_LIBRARY).empty()) host.Handshake(c.version);
          },
          "ALE-EECF0606");
      continue;
    }
    PluginHost host;
    ASSERT_EQ(host.Load(ARX_PLUGIN_LIBRARY), "");
    const HandshakeOutcome outcome = host.Handshake(c.version);
    ASSERT_TRUE(outcome.answered);
    EXPECT_EQ(outcome.pluginVersion.major, 18u);
    EXPECT_EQ(outcome.pluginVersion.minor, 0u) << "the plugin's own version, not the host's";
    EXPECT_EQ(outcome.shortName, "arx-player-behavior");
    EXPECT_NE(outcome.functions, nullptr);
  }
}

TEST_F(PluginEndToEnd, StartAndStopLeaveNothingRegistered) {
  Load();
  host_.Handshake({18, 2, 1});
  ASSERT_TRUE(host_.Start());
  // A REST call the plugin has no function for is not taken.
  const CallResult none = host_.Call(2, "/arx-player-behavior/v1/nothing");
  EXPECT_FALSE(none.found);
  host_.Stop();
  EXPECT_FALSE(host_.started());
  // Nothing of the stopped plugin is left registered with the host.
  EXPECT_TRUE(host_.bus().registrations().empty());
  EXPECT_EQ(host_.loop().pending(), 0u);
}

// The host routes by the plugin's templates before the plugin sees a path: one placeholder
// takes one segment, and a hostile path must neither hang nor exhaust the stack there.
TEST_F(PluginEndToEnd, HostRoutesTemplatedPathsOfAnyLengthBySegment) {
  Load();
  host_.Handshake({18, 2, 1});
  ASSERT_TRUE(host_.Start());
  const std::string feedback = "/arx-player-behavior/v1/reporter-feedback/";
  const CallResult templated = host_.Call(2, feedback + "7");
  EXPECT_TRUE(templated.found);
  EXPECT_EQ(templated.function, "GetArxPlayerBehaviorV1ReporterFeedbackById");
  EXPECT_FALSE(host_.Call(2, feedback + "7/more").found);
  const CallResult longPath = host_.Call(2, feedback + std::string(256 * 1024, '9'));
  EXPECT_TRUE(longPath.found);
  EXPECT_TRUE(longPath.failed);
  host_.Stop();
}

uint64_t Pair(const std::array<uint32_t, 14>& words, int counter) {
  return words[2 * counter] | (uint64_t{words[2 * counter + 1]} << 32);
}

TEST_F(PluginEndToEnd, MemoryStatsAccumulateAndEndWithTwoZeros) {
  Load();
  host_.Handshake({18, 0, 0});
  const std::array<uint32_t, 14> first = host_.MemoryStats();
  ASSERT_TRUE(host_.Start());
  const std::array<uint32_t, 14> second = host_.MemoryStats();
  for (int counter = 0; counter < 6; ++counter) {
    SCOPED_TRACE(counter);
    EXPECT_GE(Pair(second, counter), Pair(first, counter));  // counted since process start
  }
  EXPECT_LE(Pair(second, 0), Pair(second, 2));  // the peak never exceeds what was allocated
  EXPECT_LE(Pair(second, 5), Pair(second, 3));  // no more frees than allocations
  EXPECT_EQ(second[12], 0u);
  EXPECT_EQ(second[13], 0u);
}

int64_t BytesInUse(PluginHost& host) {
  const std::array<uint32_t, 14> words = host.MemoryStats();
  return static_cast<int64_t>(Pair(words, 2) - Pair(words, 4));
}

StepOutcome RunStep(ScenarioSession& session, const std::string& line) {
  ScenarioParse parse = ParseStepLine(line, 1);
  EXPECT_TRUE(parse.ok()) << parse.error;
  return parse.ok() ? session.Run(parse.scenario.steps[0]) : StepOutcome{};
}

// The plugin counts its own heap and nothing else: bytes in use follow the records it holds
// (they grow with each entry and come back when the entries go), while the host's
// allocations, made between the plugin's, leave the plugin's counters alone.
TEST(PluginMemory, BytesInUseFollowThePluginsRecordsAndNotTheHostsAllocations) {
  ScenarioSession session;
  ASSERT_EQ(session.Open(ARX_PLUGIN_LIBRARY), "");
  PluginHost& host = session.host();
  RunStep(session, "{set: /arx-login/v1/login-data-packet, data: {allSummonerData: {summoner: {acctId: 7}}}}");
  RunStep(session, "{set: /arx-gameflow/v1/session, data: {phase: None}}");
  EXPECT_GT(BytesInUse(host), 0) << "the module's tables are on the plugin's heap";

  constexpr int kEntries = 40;
  int nextId = 1;
  std::vector<std::string> hostBlocks;
  // Adds kEntries feedback entries, each after a block of the host's; returns the growth.
  const auto addEntries = [&] {
    const int64_t before = BytesInUse(host);
    for (int i = 0; i < kEntries; ++i, ++nextId) {
      const std::array<uint32_t, 14> plugin = host.MemoryStats();
      hostBlocks.emplace_back(4096 + i, 'h');
      EXPECT_EQ(Pair(host.MemoryStats(), 3), Pair(plugin, 3)) << "a host allocation was counted by the plugin";
      RunStep(session, "{lcds: com.velaworks.platform.messaging.persistence.SimpleDialogMessage, body: {accountId: 7, msgId: feedback-message-" +
                           std::to_string(nextId) + ", type: tribunal.reporter.feedback, params: []}}");
    }
    return BytesInUse(host) - before;
  };
  const auto deleteEntries = [&] {
    for (int id = nextId - kEntries; id < nextId; ++id) {
      hostBlocks.pop_back();
      RunStep(session, "{call: DELETE /arx-player-behavior/v1/reporter-feedback/" + std::to_string(id) + "}");
    }
    StepOutcome list = RunStep(session, "{call: GET /arx-player-behavior/v1/reporter-feedback, expect: {value: []}}");
    EXPECT_TRUE(list.held()) << ::testing::PrintToString(list.unmet);
  };

  // A first round sets up what stays (the list's capacity, say); the second must give back
  // everything it took.
  addEntries();
  deleteEntries();
  const int64_t settled = BytesInUse(host);
  const int64_t growth = addEntries();
  // Each held entry keeps its two texts, too long to live inside their string objects.
  EXPECT_GE(growth, int64_t{kEntries} * 40);
  deleteEntries();
  EXPECT_LT(std::abs(BytesInUse(host) - settled), growth / 8) << "the entries' memory did not come back";
}

}  // namespace
}  // namespace Vela::Host
