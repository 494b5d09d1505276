#include "platform/trace_provider_api.h"

namespace Vela::Platform {

// No system trace provider exists here; trace registration stays off.
TraceProviderApi LoadTraceProviderApi() { return {}; }

}  // namespace Vela::Platform
