#include "calls/telemetry_sender.h"

#include "calls/typed_request.h"

namespace Vela {

std::future<MaybeType<Failure, bool>> TelemetrySender::Send(std::string_view eventName,
                                                            const TelemetryEventData& data) {
  std::string path(kTelemetryEventsPath);
  path += eventName;
  BindingProperty fields;
  fields.MakeStructure();
  for (const auto& [key, value] : data) fields.MutableField(key) = value;

  std::promise<MaybeType<Failure, bool>> promise;
  std::future<MaybeType<Failure, bool>> future = promise.get_future();
  promise.set_value(Vela::Send(context_, HttpMethod::Post, path, fields));
  return future;
}

}  // namespace Vela
