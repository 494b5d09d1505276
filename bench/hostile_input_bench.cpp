// Inputs a sender controls, at sizes where anything worse than linear shows: one map of
// 300,000 distinct keys in random order in each codec (and the same map with its first key
// once more at the end), a 50 MB array of numbers, whose decoding is measured for its peak
// heap beside the finished tree, and a JSON object whose keys all collide in the intern
// table's fast hash.
//
//   build/release/bench/arx_bench --benchmark_filter='WideMap|LargeArray|CollidingKeys'
//
// Peak and tree bytes are counted (usable block sizes through the framework's allocation
// table and operator new, plus the pool pages the tree's context holds), not sampled.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "binding/binding_context.h"
#include "binding/binding_property.h"
#include "codecs/json.h"
#include "codecs/msgpack.h"
#include "codecs/yaml.h"
#include "heap_counter.h"

namespace {

constexpr std::size_t kWideKeys = 300000;
constexpr std::size_t kLargeArrayBytes = 50u << 20;

enum class Codec { Json, MsgPack, Yaml };

void AppendBigEndian(std::string& out, uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

void AppendMsgPackText(std::string& out, const std::string& text) {
  out.push_back(static_cast<char>(0xD9));
  out.push_back(static_cast<char>(text.size()));
  out += text;
}

// Distinct keys ("k" and a number) in an order fixed by the seed.
std::vector<std::string> WideKeys() {
  std::vector<uint32_t> order(kWideKeys);
  std::iota(order.begin(), order.end(), 0u);
  std::shuffle(order.begin(), order.end(), std::mt19937(16));
  std::vector<std::string> keys;
  keys.reserve(kWideKeys);
  for (uint32_t number : order) keys.push_back("k" + std::to_string(number * 2654435761u));
  return keys;
}

// The wide map, and with `repeated` the same map with its first key once more at the end.
const std::string& WideMap(Codec codec, bool repeated) {
  static const std::array<std::string, 6> documents = [] {
    const std::vector<std::string> keys = WideKeys();
    std::array<std::string, 6> forms;
    for (const bool repeat : {false, true}) {
      const std::size_t entries = keys.size() + (repeat ? 1 : 0);
      std::string json = "{";
      std::string msgpack = "\xDF";
      AppendBigEndian(msgpack, entries, 4);
      std::string yaml;
      for (std::size_t i = 0; i < entries; ++i) {
        const std::string& key = keys[i % keys.size()];
        const std::string value = std::to_string(i % 100);
        json += (i == 0 ? "\"" : ",\"") + key + "\":" + value;
        AppendMsgPackText(msgpack, key);
        msgpack.push_back(static_cast<char>(i % 100));
        yaml += key + ": " + value + "\n";
      }
      json += "}";
      const std::size_t at = repeat ? 3 : 0;
      forms[at] = std::move(json);
      forms[at + 1] = std::move(msgpack);
      forms[at + 2] = std::move(yaml);
    }
    return forms;
  }();
  return documents[(repeated ? 3 : 0) + static_cast<int>(codec)];
}

// About 50 MB of numbers: integers and fractions alternating.
const std::string& LargeArray(Codec codec) {
  static const std::array<std::string, 2> documents = [] {
    std::string json = "[";
    std::string msgpack;
    std::vector<char> scratch(32);
    std::size_t count = 0;
    std::mt19937 random(50);
    std::string elements;
    while (json.size() < kLargeArrayBytes) {
      const uint32_t integer = random() % 100000000u;
      const double fraction = static_cast<double>(random() % 1000000u) / 64.0;
      const int length = std::snprintf(scratch.data(), scratch.size(), "%u,%.6f,", integer, fraction);
      json.append(scratch.data(), static_cast<std::size_t>(length));
      elements.push_back(static_cast<char>(0xCE));
      AppendBigEndian(elements, integer, 4);
      elements.push_back(static_cast<char>(0xCB));
      uint64_t bits;
      std::memcpy(&bits, &fraction, sizeof bits);
      AppendBigEndian(elements, bits, 8);
      count += 2;
    }
    json.back() = ']';
    msgpack.push_back(static_cast<char>(0xDD));
    AppendBigEndian(msgpack, count, 4);
    msgpack += elements;
    return std::array<std::string, 2>{json, msgpack};
  }();
  return documents[static_cast<int>(codec)];
}

// Keys that TextHash maps to one value: 16-byte blocks whose first words differ only in bit
// 63 and whose second words differ in bits 63 and 31 leave its state unchanged, so each bit
// of a key's number picks one of two blocks and every key hashes alike.
std::vector<std::string> CollidingKeys(std::size_t count) {
  std::size_t blocks = 1;
  while ((std::size_t{1} << blocks) < count) ++blocks;
  std::vector<std::string> keys;
  keys.reserve(count);
  for (std::size_t number = 0; number < count; ++number) {
    std::string key(blocks * 16, '\0');
    for (std::size_t block = 0; block < blocks; ++block) {
      uint64_t words[2] = {0x6867666564636261u + block, 0x706F6E6D6C6B6A69u + block};
      if ((number >> block) & 1) {
        words[0] ^= uint64_t{1} << 63;
        words[1] ^= (uint64_t{1} << 63) | (uint64_t{1} << 31);
      }
      std::memcpy(key.data() + block * 16, words, sizeof words);
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

// A JSON object of `count` keys that all share one TextHash value.
const std::string& CollidingObject(std::size_t count) {
  static std::string document;
  static std::size_t built = 0;
  if (built != count) {
    document = "{";
    const std::vector<std::string> keys = CollidingKeys(count);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      document += (i == 0 ? "\"" : ",\"") + keys[i] + "\":" + std::to_string(i % 100);
    }
    document += "}";
    built = count;
  }
  return document;
}

Vela::BindingResult Decode(Codec codec, const std::string& input) {
  switch (codec) {
    case Codec::Json:
      return Vela::ParseJson(input);
    case Codec::MsgPack:
      return Vela::MsgPackDecode(
          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
    case Codec::Yaml:
      break;
  }
  return Vela::YamlLoad(input);
}

const char* const kCodecNames[] = {"json", "msgpack", "yaml"};

void DecodeWideMap(benchmark::State& state, bool repeated) {
  const auto codec = static_cast<Codec>(state.range(0));
  const std::string& input = WideMap(codec, repeated);
  state.SetLabel(kCodecNames[state.range(0)]);
  for (auto _ : state) {
    Vela::BindingResult result = Decode(codec, input);
    if (!result.ok() || result.value().size() != kWideKeys) {
      state.SkipWithError("the wide map does not decode");
      return;
    }
    benchmark::DoNotOptimize(result);
  }
}

void BM_WideMap(benchmark::State& state) { DecodeWideMap(state, false); }
void BM_WideMapRepeatedKey(benchmark::State& state) { DecodeWideMap(state, true); }

// A flood of keys that collide in the intern table's fast hash: must stay linear.
void BM_CollidingKeys(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string& input = CollidingObject(count);
  for (auto _ : state) {
    Vela::BindingResult result = Vela::ParseJson(input);
    if (!result.ok() || result.value().size() != count) {
      state.SkipWithError("the colliding keys do not decode");
      return;
    }
    benchmark::DoNotOptimize(result);
  }
}

// One decode: its time, the peak of the bytes in use while decoding and the finished tree.
void BM_LargeArray(benchmark::State& state) {
  Vela::Bench::InstallCountingAllocation();
  const auto codec = static_cast<Codec>(state.range(0));
  const std::string& input = LargeArray(codec);
  state.SetLabel(kCodecNames[state.range(0)]);
  double peakBytes = 0;
  double treeBytes = 0;
  for (auto _ : state) {
    const Vela::Bench::CountingScope counting;
    const int64_t before = Vela::Bench::HeapBytesInUse();
    Vela::Bench::ResetPeakHeapBytes();
    Vela::BindingResult result = Decode(codec, input);
    if (!result.ok()) {
      state.SkipWithError("the array does not decode");
      return;
    }
    const Vela::BindingContext* context = result.value().context();
    const double pages =
        context == nullptr ? 0 : static_cast<double>(context->PagesHeld() * Vela::kPageBytes);
    // Pages only grow while a tree is built, so the finished tree's pages were all held at
    // the heap's peak too (an upper bound of the true peak).
    peakBytes = static_cast<double>(Vela::Bench::PeakHeapBytes() - before) + pages;
    treeBytes = static_cast<double>(Vela::Bench::HeapBytesInUse() - before) + pages;
    state.PauseTiming();
    result = Vela::BindingResult::Ok();
    state.ResumeTiming();
  }
  state.counters["input_bytes"] = static_cast<double>(input.size());
  state.counters["peak_bytes"] = peakBytes;
  state.counters["tree_bytes"] = treeBytes;
  state.counters["peak_per_tree"] = peakBytes / treeBytes;
}

}  // namespace

BENCHMARK(BM_WideMap)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WideMapRepeatedKey)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CollidingKeys)->Arg(25000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LargeArray)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(1);
