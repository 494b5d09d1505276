// The dispatch entries of REST function records, driven with fuzzed method, custom verb,
// path and query, content type, headers, host arguments and body. Two description blocks
// are driven: the real plugin's, loaded into the development host (every function it
// lists, so new ones are covered as they are added), and an in-process API registry with
// functions of every parameter location and several result kinds.
//
// Input: a line whose first byte picks the function record; the method code (first byte);
// the custom verb; the path; the content type; up to eight "name: value" header lines
// ended by an empty line; then two bytes (little-endian) giving the length of the host
// argument bytes, those bytes (forged into up to four arguments), and the body.
//
// Properties: the response is well formed (a host value of a known type, a NUL-terminated
// error text exactly when the error flag says so, a status text, header texts), its
// release entry frees everything and clears the record (the plugin's own allocation
// counters return to where they were), and nothing escapes as an exception.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/host_value_conversion.h"
#include "binding/native_type_builder.h"
#include "binding/static_type.h"
#include "fuzz_support.h"
#include "plugin_host.h"
#include "rest/api_registry.h"
#include "rest/dispatch.h"
#include "rest/rest_function.h"

namespace FuzzApi {
enum class Phase : int32_t { None = 0, Running = 1, Done = 7 };
struct Card {
  int32_t id = 0;
  std::string title;
  std::vector<std::string> tags;
  Phase phase = Phase::None;
};
}  // namespace FuzzApi
VELA_STATIC_TYPE(FuzzApi::Card);
VELA_STATIC_TYPE(FuzzApi::Phase);

namespace {

using namespace Vela;
using FuzzApi::Card;
using FuzzApi::Phase;

class BytesStream final : public ResponseBodyStream {
 public:
  explicit BytesStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool Read(void* buffer, uint32_t& count, bool& more) override {
    const std::size_t n = std::min<std::size_t>(count, bytes_.size() - position_);
    if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    count = static_cast<uint32_t>(n);
    more = position_ < bytes_.size();
    return true;
  }
  uint32_t Length() const override { return static_cast<uint32_t>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
  std::size_t position_ = 0;
};

void RegisterFunctions(ApiRegistry& api) {
  RegisterEnum<Phase>(api.types(), "FuzzPhase")
      .Value("None", Phase::None)
      .Value("Running", Phase::Running)
      .Value("Done", Phase::Done);
  RegisterStruct<Card>(api.types(), "FuzzCard")
      .Field("id", &Card::id)
      .Field("title", &Card::title)
      .Field("tags", &Card::tags)
      .Field("phase", &Card::phase);

  RegisterRestFunction(api, {HttpMethod::Get, "/v1/items/{id}"}, {{"id", ParameterLocation::Path}},
                       [](const std::string& id) { return "item " + id; });
  RegisterRestFunction(api, {HttpMethod::Post, "/v1/items/{id}/notes"},
                       {{"id", ParameterLocation::Path},
                        {"count", ParameterLocation::Query, "", true},
                        {"note", ParameterLocation::Body}},
                       [](int32_t id, std::optional<uint64_t> count, const BindingProperty& note) {
                         std::map<std::string, BindingProperty> out;
                         out["id"] = BindingProperty(static_cast<int64_t>(id));
                         out["count"] = BindingProperty(count.value_or(0));
                         out["note"] = note;
                         return out;
                       });
  RegisterRestFunction(api, {HttpMethod::Put, "/v1/cards/{+rest}"},
                       {{"rest", ParameterLocation::Path}, {"card", ParameterLocation::Body}},
                       [](const std::string& rest, Card card) {
                         card.tags.push_back(rest);
                         return card;
                       });
  RegisterRestFunction(api, {HttpMethod::None, "/v1/any"},
                       {{"flag"}, {"values"}, {"limit", ParameterLocation::Any, "", true},
                        {"phase", ParameterLocation::Header, "", true}},
                       [](bool flag, const std::vector<std::string>& values, std::optional<int64_t> limit,
                          std::optional<Phase> phase) {
                         std::map<std::string, double> out;
                         out["flag"] = flag ? 1.0 : 0.0;
                         out["values"] = static_cast<double>(values.size());
                         out["limit"] = static_cast<double>(limit.value_or(-1));
                         out["phase"] = static_cast<double>(phase.value_or(Phase::None));
                         return out;
                       });
  RestFunctionSpec purge(HttpMethod::Custom, "/v1/purge{#fragment}");
  purge.customVerb = "PURGE";
  RegisterRestFunction(api, purge,
                       {{"fragment", ParameterLocation::Path}, {"bytes", ParameterLocation::Body}},
                       [](const std::string& fragment, std::vector<uint8_t> bytes) -> RestResult<std::string> {
                         RestResult<std::string> answer(fragment);
                         answer.stream = std::make_unique<BytesStream>(std::move(bytes));
                         return answer;
                       });
  RegisterRestFunction(api, {HttpMethod::Delete, "/v1/fail/{code}"}, {{"code", ParameterLocation::Path}},
                       [](uint32_t code) -> RestResult<std::vector<Card>> {
                         switch (code % 3) {
                           case 0: {
                             RestResult<std::vector<Card>> answer(RestFailure{code, "Not found"});
                             answer.headers = {{"X-Code", std::to_string(code)}};
                             return answer;
                           }
                           case 1:
                             throw std::runtime_error("handler failed");
                           default: {
                             RestResult<std::vector<Card>> answer(std::vector<Card>(code % 5));
                             answer.statusText = "Fine";
                             answer.resultMode = code;
                             answer.headers = {{"X-A", "1"}, {"X-B", ""}};
                             return answer;
                           }
                         }
                       });
  RestFunctionSpec named(HttpMethod::Get, "");
  named.name = "FuzzNamedOnly";
  RegisterRestFunction(api, named, {{"blob"}}, [](std::vector<uint8_t> blob) { return blob; });
}

// The record blocks whose functions are driven.
struct Targets {
  Host::PluginHost host;
  ApiRegistry api;
  std::vector<const RestFunctionRecord*> records;
  std::size_t pluginRecords = 0;

  Targets() {
    const std::string loaded = host.Load(ARX_PLUGIN_LIBRARY);
    if (!loaded.empty()) Fuzz::Fail(loaded.c_str(), __FILE__, __LINE__);
    const Host::HandshakeOutcome outcome = host.Handshake({18, 0, 0});
    ARX_FUZZ_CHECK(outcome.answered && outcome.api != nullptr);
    ARX_FUZZ_CHECK(host.Start());
    for (uint32_t i = 0; i < outcome.api->functionCount; ++i) records.push_back(&outcome.api->functions[i]);
    pluginRecords = records.size();
    RegisterFunctions(api);
    const ApiDescription& block = api.BuildApiDescription();
    for (uint32_t i = 0; i < block.functionCount; ++i) records.push_back(&block.functions[i]);
  }
};

Targets& TheTargets() {
  static Targets* targets = new Targets();  // lives to the end: the plugin stays loaded
  return *targets;
}

uint64_t PluginBytesInUse(const Host::PluginHost& host) {
  const auto words = host.MemoryStats();
  const uint64_t allocated = words[4] | (static_cast<uint64_t>(words[5]) << 32);
  const uint64_t freed = words[8] | (static_cast<uint64_t>(words[9]) << 32);
  return allocated - freed;
}

void CheckText(const char* text) {
  ARX_FUZZ_CHECK(text != nullptr);
  (void)std::strlen(text);  // NUL-terminated inside its block, or ASan reports the overread
}

void CheckAndRelease(HostResponse& out) {
  ARX_FUZZ_CHECK(out.release != nullptr);
  const BindingResult value = FromHostValue(out.head.value, "response");
  ARX_FUZZ_CHECK(value.ok());
  ARX_FUZZ_CHECK((out.head.errorOwned != 0) == (out.head.error != nullptr));
  if (out.head.error != nullptr) CheckText(out.head.error);
  CheckText(out.statusText);
  ARX_FUZZ_CHECK(out.resultMode <= 3);
  ARX_FUZZ_CHECK((out.headerCount == 0) || out.headers != nullptr);
  for (uint32_t i = 0; i < out.headerCount; ++i) {
    CheckText(out.headers[i].name);
    CheckText(out.headers[i].value);
  }
  if (out.stream != nullptr) {
    ARX_FUZZ_CHECK(out.streamRead != nullptr && out.streamRelease != nullptr);
    char buffer[256];
    std::size_t total = 0;
    for (int reads = 0; reads < 4096; ++reads) {
      uint32_t count = sizeof buffer;
      uint8_t more = 0;
      if (out.streamRead(out.stream, buffer, &count, &more) == 0) break;
      ARX_FUZZ_CHECK(count <= sizeof buffer);
      total += count;
      if (more == 0) break;
    }
    ARX_FUZZ_CHECK(total <= out.bodyLength);
    out.streamRelease(out.stream);
  }
  out.release(&out);
  ARX_FUZZ_CHECK(out.head.value.type == 0 && out.head.error == nullptr && out.head.errorOwned == 0);
  ARX_FUZZ_CHECK(out.headers == nullptr && out.headerCount == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Targets& targets = TheTargets();

  Fuzz::FuzzLines in = Fuzz::SplitLines({data, size}, 5);
  const uint8_t selector = in.lines[0].empty() ? 0 : static_cast<uint8_t>(in.lines[0][0]);
  const uint32_t method = in.lines[1].empty() ? 0 : static_cast<uint8_t>(in.lines[1][0]) % 12u;
  std::vector<std::string> headerTexts;
  std::span<const uint8_t> rest = in.rest;
  while (headerTexts.size() < 16) {
    Fuzz::FuzzLines line = Fuzz::SplitLines(rest, 1);
    rest = line.rest;
    if (line.lines[0].empty()) break;
    const std::size_t colon = std::min(line.lines[0].find(':'), line.lines[0].size());
    headerTexts.push_back(line.lines[0].substr(0, colon));
    const std::size_t value = line.lines[0].find_first_not_of(' ', colon + 1);
    headerTexts.push_back(value == std::string::npos ? std::string() : line.lines[0].substr(value));
  }
  std::vector<HostHeader> headers;
  for (std::size_t i = 0; i + 1 < headerTexts.size(); i += 2) {
    headers.push_back({headerTexts[i].c_str(), headerTexts[i + 1].c_str()});
  }

  const std::size_t argumentBytes = rest.size() >= 2 ? (rest[0] | (rest[1] << 8)) : 0;
  rest = rest.subspan(std::min<std::size_t>(2, rest.size()));
  const std::span<const uint8_t> argumentSpan = rest.first(std::min(argumentBytes, rest.size()));
  // An exact-size copy of the body: a read past its length is a heap overflow.
  const std::vector<uint8_t> body(rest.begin() + static_cast<std::ptrdiff_t>(argumentSpan.size()), rest.end());

  Fuzz::ByteReader reader(argumentSpan);
  Fuzz::HostValueForge forge(reader);
  std::vector<HostArgument> arguments(reader.Byte() % 5u);
  for (HostArgument& argument : arguments) {
    argument.name = (reader.Byte() & 1) ? forge.Text(12) : nullptr;
    argument.value = forge.Build();
  }

  const std::size_t index = selector % targets.records.size();
  const RestFunctionRecord& record = *targets.records[index];
  const bool plugin = index < targets.pluginRecords;
  HostRequest request{};
  request.method = method;
  request.path = in.lines[3].c_str();
  request.args = arguments.empty() ? nullptr : arguments.data();
  request.argCount = static_cast<uint32_t>(arguments.size());
  request.function = record.description.context;
  request.headers = headers.empty() ? nullptr : headers.data();
  request.headerCount = static_cast<uint32_t>(headers.size());
  request.contentType = in.lines[4].c_str();
  request.body = body.empty() ? nullptr : body.data();
  request.bodyLength = static_cast<uint32_t>(body.size());
  request.customVerb = in.lines[2].c_str();

  const uint64_t before = plugin ? PluginBytesInUse(targets.host) : 0;
  HostResponse out;
  std::memset(&out, 0xA5, sizeof out);  // the dispatch must fill every word
  ARX_FUZZ_CHECK(record.dispatch != nullptr);
  record.dispatch(&out, &request);
  CheckAndRelease(out);
  if (plugin) ARX_FUZZ_CHECK(PluginBytesInUse(targets.host) == before);

  // The host's own routing of the same call (it takes it when a plugin function matches).
  if (targets.pluginRecords > 0) {
    Host::CallRequest call;
    call.method = method;
    call.path = in.lines[3];
    call.customVerb = in.lines[2];
    call.contentType = in.lines[4];
    call.body.assign(body.begin(), body.end());
    for (std::size_t i = 0; i + 1 < headerTexts.size(); i += 2) call.headers.push_back({headerTexts[i], headerTexts[i + 1]});
    (void)targets.host.Call(call);
  }
  return 0;
}
