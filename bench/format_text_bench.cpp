// The positional formatter: a typical three-argument message rendered into a caller's
// buffer (which must not touch the heap) and as a string (one allocation, the result), next
// to snprintf with the equivalent printf template as the floor.
//
//   build/release/bench/arx_bench --benchmark_filter=Format

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "heap_counter.h"
#include "util/format_text.h"
#include "util/named_template.h"

namespace {

constexpr char kMessage[] = "Couldn't assign value to '%1' of type %2 because the input is of an invalid type %3.";
constexpr char kPrintfMessage[] = "Couldn't assign value to '%s' of type %s because the input is of an invalid type %d.";

void BM_FormatToBuffer(benchmark::State& state) {
  const std::string field = "timeUntilBanExpires";
  const std::string_view fieldView = field;
  const char* type = "uint64_t";
  const int32_t code = 7;
  const Vela::FormatArgument arguments[] = {{&fieldView, &Vela::kStringArgumentKind},
                                            {&type, &Vela::kCStringArgumentKind},
                                            {&code, &Vela::kInt32ArgumentKind}};
  char buffer[Vela::kFormatTextCapacity];
  const int64_t heapBefore = Vela::Bench::HeapBytesInUse();
  int64_t heapPeakDelta = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Vela::FormatToBuffer(buffer, sizeof buffer, kMessage, arguments, 3));
    heapPeakDelta = std::max(heapPeakDelta, Vela::Bench::HeapBytesInUse() - heapBefore);
  }
  // Must stay 0: rendering works in the caller's buffer.
  state.counters["heap_bytes"] = static_cast<double>(heapPeakDelta);
}
BENCHMARK(BM_FormatToBuffer);

void BM_FormatText(benchmark::State& state) {
  const std::string field = "timeUntilBanExpires";
  for (auto _ : state) {
    benchmark::DoNotOptimize(Vela::FormatText(kMessage, field, "uint64_t", 7));
  }
}
BENCHMARK(BM_FormatText);

void BM_SnprintfFloor(benchmark::State& state) {
  const std::string field = "timeUntilBanExpires";
  char buffer[Vela::kFormatTextCapacity];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, kPrintfMessage, field.c_str(), "uint64_t", 7));
  }
}
BENCHMARK(BM_SnprintfFloor);

void BM_FormatNamedTemplate(benchmark::State& state) {
  const Vela::TypedArgument arguments[] = {Vela::TypedArgument::Text("GET"),
                                           Vela::TypedArgument::Text("/arx-login/v1/session"),
                                           Vela::TypedArgument::Text("Not found")};
  for (auto _ : state) {
    Vela::NamedValues values;
    benchmark::DoNotOptimize(
        Vela::FormatNamedTemplate("Error response for {method} {url}: {error}", arguments, values));
  }
}
BENCHMARK(BM_FormatNamedTemplate);

}  // namespace
