// The benchmark binary's entry point (each bench/*.cpp registers its own benchmarks).
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
