// The four trace providers over the system's own trace functions (Advapi32; on Linux
// hosts, Wine's): registration and unregistration at library load and unload go through
// this path. Empty elsewhere, where the system has no trace functions.
#ifdef _WIN32

#include <gtest/gtest.h>

#include "logging/trace_providers.h"
#include "platform/process_info.h"

namespace Vela {
namespace {

TEST(WindowsTraceProviders, RegisterAndUnregisterThroughTheSystem) {
  const Platform::TraceProviderApi api = Platform::LoadTraceProviderApi();
  ASSERT_TRUE(api.available());

  TraceProviders providers(api);
  EXPECT_GT(providers.CounterFrequency(), 0u);
  providers.Register();
  for (std::size_t i = 0; i < kTraceProviderCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(providers.Context(i).registrationHandle, 0u);
    // No trace session asked for anything.
    EXPECT_FALSE(providers.Context(i).enabled.load());
  }
  // Not enabled by a controller, so nothing is written.
  EXPECT_FALSE(providers.AnnounceThread(Platform::CurrentThreadId(), kMainThreadName));

  providers.Unregister();
  for (std::size_t i = 0; i < kTraceProviderCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(providers.Context(i).registrationHandle, 0u);
  }
}

}  // namespace
}  // namespace Vela

#endif  // _WIN32
