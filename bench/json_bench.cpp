// JSON codec against RapidJSON on the standard corpora: parsing into BindingProperty vs a
// RapidJSON Document vs the bare reader (the floor), writing vs RapidJSON's Writer over a
// Document, and the bytes each parsed tree holds.
//
//   build/release/bench/arx_bench --benchmark_filter=Json
//
// Memory is counted, not sampled: heap bytes through the framework's allocation table and
// the global operator new (usable block sizes), plus the pool pages a tree holds; RapidJSON
// allocates through a counting base allocator.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/binding_context.h"
#include "binding/binding_property.h"
#include "codecs/json.h"
#include "heap_counter.h"

using Vela::Bench::CountingCrtAllocator;
using Vela::Bench::HeapBytesInUse;
using Vela::Bench::InstallCountingAllocation;

using CountingDocument =
    rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<CountingCrtAllocator>,
                               CountingCrtAllocator>;

// --- Corpora ------------------------------------------------------------------------------

namespace {

const char* const kCorpora[] = {"twitter.json", "citm_catalog.json", "canada.json"};

const std::string& Corpus(int index) {
  static std::string texts[std::size(kCorpora)];
  std::string& text = texts[index];
  if (text.empty()) {
    std::ifstream file(std::filesystem::path(ARX_JSON_CORPUS_DIR) / kCorpora[index], std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = std::move(content).str();
  }
  return text;
}

// Returns false (and marks the benchmark skipped) when the corpus is absent.
bool LoadCorpus(benchmark::State& state, const std::string*& text) {
  text = &Corpus(static_cast<int>(state.range(0)));
  if (text->empty()) {
    state.SkipWithError("corpus not found");
    return false;
  }
  state.SetLabel(kCorpora[state.range(0)]);
  return true;
}

void SetThroughput(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// --- Parsing ------------------------------------------------------------------------------

void BM_JsonParse_Binding(benchmark::State& state) {
  InstallCountingAllocation();
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  for (auto _ : state) {
    Vela::BindingResult result = Vela::ParseJson(*text);
    benchmark::DoNotOptimize(result);
  }
  SetThroughput(state, *text);
}

void BM_JsonParse_Document(benchmark::State& state) {
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(text->c_str());
    benchmark::DoNotOptimize(document);
  }
  SetThroughput(state, *text);
}

// The reader alone, with the codec's flags and a handler that keeps nothing.
void BM_JsonParse_ReaderFloor(benchmark::State& state) {
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  for (auto _ : state) {
    rapidjson::Reader reader;
    rapidjson::StringStream stream(text->c_str());
    rapidjson::BaseReaderHandler<> handler;
    benchmark::DoNotOptimize(reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler));
  }
  SetThroughput(state, *text);
}

// The same with the default, recursive reader (what Document::Parse uses).
void BM_JsonParse_ReaderFloorRecursive(benchmark::State& state) {
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  for (auto _ : state) {
    rapidjson::Reader reader;
    rapidjson::StringStream stream(text->c_str());
    rapidjson::BaseReaderHandler<> handler;
    benchmark::DoNotOptimize(reader.Parse<rapidjson::kParseDefaultFlags>(stream, handler));
  }
  SetThroughput(state, *text);
}

// --- Writing ------------------------------------------------------------------------------

void BM_JsonWrite_Binding(benchmark::State& state) {
  InstallCountingAllocation();
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  const Vela::BindingResult tree = Vela::ParseJson(*text);
  for (auto _ : state) {
    std::string written = Vela::WriteJson(tree.value());
    benchmark::DoNotOptimize(written);
  }
  SetThroughput(state, *text);
}

void BM_JsonWrite_Document(benchmark::State& state) {
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  rapidjson::Document document;
  document.Parse(text->c_str());
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  SetThroughput(state, *text);
}

// --- Memory held by a parsed tree ------------------------------------------------------

// One parse of each; the time is irrelevant, the counters are the result.
void BM_JsonMemory(benchmark::State& state) {
  InstallCountingAllocation();
  const std::string* text;
  if (!LoadCorpus(state, text)) return;
  double bindingBytes = 0;
  double documentBytes = 0;
  double pages = 0;
  double heapBytes = 0;
  for (auto _ : state) {
    const Vela::Bench::CountingScope counting;
    {
      const int64_t before = HeapBytesInUse();
      Vela::BindingResult tree = Vela::ParseJson(*text);
      const Vela::BindingContext* context = tree.value().context();
      pages = context == nullptr ? 0 : static_cast<double>(context->PagesHeld());
      heapBytes = static_cast<double>(HeapBytesInUse() - before);
      bindingBytes = heapBytes + pages * static_cast<double>(Vela::kPageBytes);
    }
    {
      const int64_t before = HeapBytesInUse();
      CountingDocument document;
      document.Parse(text->c_str());
      documentBytes = static_cast<double>(HeapBytesInUse() - before);
    }
  }
  state.counters["binding_pages"] = pages;
  state.counters["binding_heap_bytes"] = heapBytes;
  state.counters["binding_bytes"] = bindingBytes;
  state.counters["document_bytes"] = documentBytes;
  state.counters["binding_per_document"] = bindingBytes / documentBytes;
}

void Corpora(benchmark::internal::Benchmark* benchmark) {
  benchmark->DenseRange(0, static_cast<int>(std::size(kCorpora)) - 1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_JsonParse_Binding)->Apply(Corpora);
BENCHMARK(BM_JsonParse_Document)->Apply(Corpora);
BENCHMARK(BM_JsonParse_ReaderFloor)->Apply(Corpora);
BENCHMARK(BM_JsonParse_ReaderFloorRecursive)->Apply(Corpora);
BENCHMARK(BM_JsonWrite_Binding)->Apply(Corpora);
BENCHMARK(BM_JsonWrite_Document)->Apply(Corpora);
BENCHMARK(BM_JsonMemory)->Apply(Corpora)->Iterations(1);

}  // namespace
