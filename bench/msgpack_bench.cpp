// MessagePack decoding into BindingProperty against msgpack-c's msgpack::unpack, on the
// JSON corpora converted to MessagePack once (outside the timing) with msgpack-c's packer.
//
//   build/<release>/bench/arx_bench --benchmark_filter=MsgPack

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <msgpack.hpp>
#include <rapidjson/document.h>

#include "binding/binding_property.h"
#include "codecs/msgpack.h"

namespace {

const char* const kMsgPackCorpora[] = {"twitter.json", "citm_catalog.json", "canada.json"};

void PackJson(msgpack::packer<msgpack::sbuffer>& packer, const rapidjson::Value& value) {
  switch (value.GetType()) {
    case rapidjson::kNullType:
      packer.pack_nil();
      return;
    case rapidjson::kFalseType:
      packer.pack_false();
      return;
    case rapidjson::kTrueType:
      packer.pack_true();
      return;
    case rapidjson::kStringType:
      packer.pack_str(value.GetStringLength());
      packer.pack_str_body(value.GetString(), value.GetStringLength());
      return;
    case rapidjson::kNumberType:
      if (value.IsUint64()) {
        packer.pack_uint64(value.GetUint64());
      } else if (value.IsInt64()) {
        packer.pack_int64(value.GetInt64());
      } else {
        packer.pack_double(value.GetDouble());
      }
      return;
    case rapidjson::kArrayType:
      packer.pack_array(value.Size());
      for (const rapidjson::Value& element : value.GetArray()) PackJson(packer, element);
      return;
    case rapidjson::kObjectType:
      packer.pack_map(value.MemberCount());
      for (const auto& member : value.GetObject()) {
        PackJson(packer, member.name);
        PackJson(packer, member.value);
      }
      return;
  }
}

// The corpus as MessagePack; empty when the JSON file is absent.
const std::string& MsgPackCorpus(int index) {
  static std::string packed[std::size(kMsgPackCorpora)];
  std::string& bytes = packed[index];
  if (bytes.empty()) {
    std::ifstream file(std::filesystem::path(ARX_JSON_CORPUS_DIR) / kMsgPackCorpora[index],
                       std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    const std::string json = std::move(content).str();
    if (json.empty()) return bytes;
    rapidjson::Document document;
    document.Parse(json.c_str());
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    PackJson(packer, document);
    bytes.assign(buffer.data(), buffer.size());
  }
  return bytes;
}

bool LoadMsgPack(benchmark::State& state, const std::string*& bytes) {
  bytes = &MsgPackCorpus(static_cast<int>(state.range(0)));
  if (bytes->empty()) {
    state.SkipWithError("corpus not found");
    return false;
  }
  state.SetLabel(kMsgPackCorpora[state.range(0)]);
  return true;
}

std::span<const uint8_t> AsBytes(const std::string& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

void BM_MsgPackDecode_Binding(benchmark::State& state) {
  const std::string* bytes;
  if (!LoadMsgPack(state, bytes)) return;
  std::size_t stop = 0;
  if (!Vela::MsgPackDecode(AsBytes(*bytes), stop).ok() || stop != bytes->size()) {
    state.SkipWithError("the converted corpus does not decode");
    return;
  }
  for (auto _ : state) {
    Vela::BindingResult result = Vela::MsgPackDecode(AsBytes(*bytes), stop);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes->size()));
}

// msgpack-c's own tree (msgpack::object in a zone), strings copied into the zone as ours
// are copied into the tree.
void BM_MsgPackDecode_MsgpackC(benchmark::State& state) {
  const std::string* bytes;
  if (!LoadMsgPack(state, bytes)) return;
  for (auto _ : state) {
    msgpack::object_handle handle = msgpack::unpack(bytes->data(), bytes->size());
    benchmark::DoNotOptimize(handle.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes->size()));
}

void MsgPackCorpora(benchmark::internal::Benchmark* benchmark) {
  for (int i = 0; i < static_cast<int>(std::size(kMsgPackCorpora)); ++i) benchmark->Arg(i);
  benchmark->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_MsgPackDecode_Binding)->Apply(MsgPackCorpora);
BENCHMARK(BM_MsgPackDecode_MsgpackC)->Apply(MsgPackCorpora);
