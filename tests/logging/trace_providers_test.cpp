#include "logging/trace_providers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/process_info.h"

namespace Vela {
namespace {

using ::testing::ElementsAre;

// The system side of event tracing, recorded. Function pointers cannot carry state, so
// the fake lives in one static instance that each test resets.
struct FakeTraceSystem {
  struct Registration {
    Platform::TraceGuid id;
    Platform::TraceEnableCallback callback;
    void* context;
  };
  struct Write {
    uint64_t handle;
    Platform::TraceEventDescriptor descriptor;
    std::vector<std::string> fields;
  };

  std::vector<Registration> registrations;
  std::vector<Write> writes;
  std::vector<uint64_t> unregistered;
  // What a controller asks of the provider with this index when it registers (-1: nothing).
  int enableProviderOnRegister = -1;
  uint8_t enableLevel = 0;
  uint64_t enableAny = 0;

  static FakeTraceSystem& Instance() {
    static FakeTraceSystem instance;
    return instance;
  }

  static uint32_t Register(const Platform::TraceGuid* id, Platform::TraceEnableCallback callback, void* context,
                           uint64_t* handle) {
    FakeTraceSystem& fake = Instance();
    fake.registrations.push_back({*id, callback, context});
    *handle = 100 + fake.registrations.size();
    if (fake.enableProviderOnRegister == static_cast<int>(fake.registrations.size()) - 1) {
      callback(id, kTraceControlEnable, fake.enableLevel, fake.enableAny, 0, nullptr, context);
    }
    return 0;
  }
  static uint32_t WriteEvent(uint64_t handle, const Platform::TraceEventDescriptor* descriptor, uint32_t count,
                             Platform::TraceDataDescriptor* data) {
    Write write{handle, *descriptor, {}};
    for (uint32_t i = 0; i < count; ++i) {
      write.fields.emplace_back(reinterpret_cast<const char*>(static_cast<uintptr_t>(data[i].ptr)), data[i].size);
    }
    Instance().writes.push_back(write);
    return 0;
  }
  static uint32_t Unregister(uint64_t handle) {
    Instance().unregistered.push_back(handle);
    return 0;
  }

  static Platform::TraceProviderApi Api() { return {&Register, &WriteEvent, &Unregister}; }
};

class TraceProvidersTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeTraceSystem::Instance() = FakeTraceSystem{}; }
  FakeTraceSystem& fake = FakeTraceSystem::Instance();
};

bool SameGuid(const Platform::TraceGuid& a, const Platform::TraceGuid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string ThreadIdBytes(uint32_t id) { return std::string(reinterpret_cast<const char*>(&id), sizeof id); }

TEST(TraceEnableCallbackTest, EnablesEventsByLevelAndKeywords) {
  const Platform::TraceEventDescriptor events[] = {
      {1, 0, 0, /*level=*/4, 0, 0, /*keyword=*/0},
      {2, 0, 0, /*level=*/5, 0, 0, /*keyword=*/0},
      {3, 0, 0, /*level=*/2, 0, 0, /*keyword=*/0x1},
      {4, 0, 0, /*level=*/2, 0, 0, /*keyword=*/0x6},
  };
  struct Row {
    int line;
    uint8_t level;
    uint64_t any;
    uint64_t all;
    uint64_t expectedBits;
  } rows[] = {
      {__LINE__, 4, 0, 0, 0b0001},
      {__LINE__, 1, ~uint64_t{0}, 0, 0b0000},
      // Level 0 means every level.
      {__LINE__, 0, 0, 0, 0b0011},
      {__LINE__, 0, 0x1, 0, 0b0111},
      {__LINE__, 4, 0x2, 0, 0b1001},
      // Every match-all bit must be in the event's keywords.
      {__LINE__, 4, 0x2, 0x6, 0b1001},
      {__LINE__, 4, 0x2, 0x3, 0b0001},
      {__LINE__, 4, 0x3, 0x1, 0b0101},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    TraceProviderContext context(events);
    TraceProviderEnableCallback(nullptr, kTraceControlEnable, row.level, row.any, row.all, nullptr, &context);
    EXPECT_TRUE(context.enabled);
    EXPECT_EQ(context.enableBits.load(), row.expectedBits);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(context.IsEventEnabled(i), ((row.expectedBits >> i) & 1) != 0);
  }
}

TEST_F(TraceProvidersTest, RegistersFourProvidersOnceEach) {
  {
    TraceProviders providers(FakeTraceSystem::Api());
    EXPECT_GT(providers.CounterFrequency(), 0u);
    providers.Register();
    providers.Register();  // handles are set: nothing registered again
    ASSERT_EQ(fake.registrations.size(), kTraceProviderCount);
    for (std::size_t i = 0; i < kTraceProviderCount; ++i) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(SameGuid(fake.registrations[i].id, kTraceProviderIds[i]));
      EXPECT_EQ(fake.registrations[i].callback, &TraceProviderEnableCallback);
      EXPECT_EQ(fake.registrations[i].context, &providers.Context(i));
      EXPECT_EQ(providers.Context(i).registrationHandle, 101 + i);
    }
    EXPECT_TRUE(fake.writes.empty()) << "no controller enabled the main-thread event";

    providers.Unregister();
    EXPECT_THAT(fake.unregistered, ElementsAre(101, 102, 103, 104));
    for (std::size_t i = 0; i < kTraceProviderCount; ++i) EXPECT_EQ(providers.Context(i).registrationHandle, 0u);
  }
  EXPECT_EQ(fake.unregistered.size(), 4u) << "nothing left to unregister at destruction";
}

TEST_F(TraceProvidersTest, TheProcessRegistersOnceUntilUnregistered) {
  RegisterProcessTraceProviders(FakeTraceSystem::Api());
  RegisterProcessTraceProviders(FakeTraceSystem::Api());
  EXPECT_EQ(fake.registrations.size(), kTraceProviderCount);
  UnregisterProcessTraceProviders();
  EXPECT_EQ(fake.unregistered.size(), kTraceProviderCount);
  RegisterProcessTraceProviders(FakeTraceSystem::Api());
  EXPECT_EQ(fake.registrations.size(), 2 * kTraceProviderCount);
  UnregisterProcessTraceProviders();
}

TEST_F(TraceProvidersTest, AnnouncesTheMainThreadWhenTheSecondProviderIsEnabled) {
  fake.enableProviderOnRegister = 1;
  fake.enableLevel = 4;
  TraceProviders providers(FakeTraceSystem::Api());
  providers.Register();
  ASSERT_EQ(fake.writes.size(), 1u);
  const FakeTraceSystem::Write& write = fake.writes[0];
  EXPECT_EQ(write.handle, 102u);
  EXPECT_EQ(write.descriptor.id, kMainThreadEvent.id);
  EXPECT_EQ(write.descriptor.level, kMainThreadEvent.level);
  EXPECT_THAT(write.fields, ElementsAre(ThreadIdBytes(Platform::CurrentThreadId()), std::string("Main thread\0", 12)));

  EXPECT_TRUE(providers.AnnounceThread(7, nullptr));
  EXPECT_THAT(fake.writes.back().fields, ElementsAre(ThreadIdBytes(7), std::string("NULL\0", 5)));
}

TEST_F(TraceProvidersTest, WithoutTheSystemFunctionsNothingHappens) {
  Platform::TraceProviderApi api = FakeTraceSystem::Api();
  api.registerProvider = nullptr;
  TraceProviders providers(api);
  providers.Register();
  EXPECT_FALSE(providers.AnnounceThread(1, kMainThreadName));
  providers.Unregister();
  EXPECT_TRUE(fake.registrations.empty());
  EXPECT_TRUE(fake.writes.empty());
  EXPECT_TRUE(fake.unregistered.empty());
}

}  // namespace
}  // namespace Vela
