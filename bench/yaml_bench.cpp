// YAML loading into BindingProperty against yaml-cpp's YAML::Load and against libyaml's
// bare event loop (parse and delete every event: the floor under any loader built on it).
// The JSON corpora are converted to block-style YAML once, outside the timing, with
// yaml-cpp's emitter.
//
//   build/<release>/bench/arx_bench --benchmark_filter=Yaml

#include <yaml.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <yaml-cpp/yaml.h>

#include "binding/binding_property.h"
#include "codecs/yaml.h"

namespace {

const char* const kYamlCorpora[] = {"twitter.json", "citm_catalog.json", "canada.json"};

void EmitJson(YAML::Emitter& out, const rapidjson::Value& value) {
  switch (value.GetType()) {
    case rapidjson::kNullType:
      out << YAML::Null;
      return;
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      out << value.GetBool();
      return;
    case rapidjson::kStringType:
      out << std::string(value.GetString(), value.GetStringLength());
      return;
    case rapidjson::kNumberType:
      if (value.IsUint64()) {
        out << value.GetUint64();
      } else if (value.IsInt64()) {
        out << value.GetInt64();
      } else {
        out << value.GetDouble();
      }
      return;
    case rapidjson::kArrayType:
      out << YAML::BeginSeq;
      for (const rapidjson::Value& element : value.GetArray()) EmitJson(out, element);
      out << YAML::EndSeq;
      return;
    case rapidjson::kObjectType:
      out << YAML::BeginMap;
      for (const auto& member : value.GetObject()) {
        out << YAML::Key;
        EmitJson(out, member.name);
        out << YAML::Value;
        EmitJson(out, member.value);
      }
      out << YAML::EndMap;
      return;
  }
}

// The corpus as YAML; empty when the JSON file is absent.
const std::string& YamlCorpus(int index) {
  static std::string texts[std::size(kYamlCorpora)];
  std::string& text = texts[index];
  if (text.empty()) {
    std::ifstream file(std::filesystem::path(ARX_JSON_CORPUS_DIR) / kYamlCorpora[index],
                       std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    const std::string json = std::move(content).str();
    if (json.empty()) return text;
    rapidjson::Document document;
    document.Parse(json.c_str());
    YAML::Emitter out;
    EmitJson(out, document);
    text = out.c_str();
  }
  return text;
}

bool LoadYaml(benchmark::State& state, const std::string*& text) {
  text = &YamlCorpus(static_cast<int>(state.range(0)));
  if (text->empty()) {
    state.SkipWithError("corpus not found");
    return false;
  }
  state.SetLabel(kYamlCorpora[state.range(0)]);
  return true;
}

void SetYamlThroughput(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_YamlLoad_Binding(benchmark::State& state) {
  const std::string* text;
  if (!LoadYaml(state, text)) return;
  if (Vela::BindingResult check = Vela::YamlLoad(*text); !check.ok()) {
    state.SkipWithError(std::string(check.message()).c_str());
    return;
  }
  for (auto _ : state) {
    Vela::BindingResult result = Vela::YamlLoad(*text);
    benchmark::DoNotOptimize(result);
  }
  SetYamlThroughput(state, *text);
}

void BM_YamlLoad_YamlCpp(benchmark::State& state) {
  const std::string* text;
  if (!LoadYaml(state, text)) return;
  for (auto _ : state) {
    YAML::Node node = YAML::Load(*text);
    benchmark::DoNotOptimize(node);
  }
  SetYamlThroughput(state, *text);
}

// What the loader cannot go below: the same parser set-up and every event taken and freed.
void BM_YamlLoad_EventLoopFloor(benchmark::State& state) {
  const std::string* text;
  if (!LoadYaml(state, text)) return;
  for (auto _ : state) {
    yaml_parser_t parser;
    yaml_parser_initialize(&parser);
    yaml_parser_set_encoding(&parser, YAML_UTF8_ENCODING);
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text->data()),
                                 text->size());
    yaml_event_t event;
    std::size_t events = 0;
    while (yaml_parser_parse(&parser, &event) != 0) {
      const bool end = event.type == YAML_STREAM_END_EVENT;
      yaml_event_delete(&event);
      ++events;
      if (end) break;
    }
    yaml_parser_delete(&parser);
    benchmark::DoNotOptimize(events);
  }
  SetYamlThroughput(state, *text);
}

void YamlCorpora(benchmark::internal::Benchmark* benchmark) {
  for (int i = 0; i < static_cast<int>(std::size(kYamlCorpora)); ++i) benchmark->Arg(i);
  benchmark->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_YamlLoad_Binding)->Apply(YamlCorpora);
BENCHMARK(BM_YamlLoad_YamlCpp)->Apply(YamlCorpora);
BENCHMARK(BM_YamlLoad_EventLoopFloor)->Apply(YamlCorpora);
