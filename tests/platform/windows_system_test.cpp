// The Windows platform layer against the system itself (on Linux hosts these run under
// Wine, preset mingw-x64): what only the real system can show. Empty elsewhere.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string_view>

#include "platform/process_info.h"
#include "platform/trace_provider_api.h"

namespace Vela::Platform {
namespace {

constexpr TraceGuid kTestProvider = {
    0x5d2c7a10, 0x83e4, 0x4b9f, {0xa1, 0x6e, 0x0c, 0x37, 0xd2, 0x58, 0x94, 0xbb}};

struct EnableCalls {
  int count = 0;
};

void CountEnable(const TraceGuid* /*sourceId*/, uint32_t /*isEnabled*/, uint8_t /*level*/,
                 uint64_t /*matchAnyKeyword*/, uint64_t /*matchAllKeyword*/,
                 const void* /*filterData*/, void* callbackContext) {
  ++static_cast<EnableCalls*>(callbackContext)->count;
}

TEST(WindowsTraceProviderApi, ReachesAdvapi32AndPassesRecordsThrough) {
  const TraceProviderApi api = LoadTraceProviderApi();
  ASSERT_TRUE(api.available());
  ASSERT_NE(api.write, nullptr);
  ASSERT_NE(api.unregisterProvider, nullptr);

  // With and without an enable callback: the two paths through the adapter.
  for (const bool withCallback : {true, false}) {
    SCOPED_TRACE(withCallback);
    EnableCalls calls;
    uint64_t handle = 0;
    ASSERT_EQ(api.registerProvider(&kTestProvider, withCallback ? &CountEnable : nullptr,
                                   withCallback ? &calls : nullptr, &handle),
              0u);
    EXPECT_NE(handle, 0u);

    const uint32_t threadId = CurrentThreadId();
    static constexpr char kName[] = "Main thread";
    TraceDataDescriptor data[2] = {
        {reinterpret_cast<uintptr_t>(&threadId), sizeof threadId, 0},
        {reinterpret_cast<uintptr_t>(kName), sizeof kName, 0},
    };
    const TraceEventDescriptor descriptor = {1, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(api.write(handle, &descriptor, 2, data), 0u);
    EXPECT_EQ(api.unregisterProvider(handle), 0u);
    // No trace session enables this provider, so the system never called back.
    EXPECT_EQ(calls.count, 0);
  }
}

TEST(WindowsModuleFileName, IsADrivePathEndingInTheProgramName) {
  char buffer[1024];
  const std::size_t length = ModuleFileName(buffer, sizeof buffer);
  ASSERT_GT(length, 3u);
  const std::string_view path(buffer, length);
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(path[0])) && path.substr(1, 2) == ":\\")
      << path;
  EXPECT_EQ(ExecutableNameOf(path), "platform_tests.exe");
}

}  // namespace
}  // namespace Vela::Platform

#endif  // _WIN32
