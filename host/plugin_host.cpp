#include "plugin_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "binding/host_value_conversion.h"

namespace Vela::Host {
namespace {

constexpr std::string_view kResultRoot = "<result>";
constexpr std::string_view kNoSiblingMessage = "Not found";
constexpr uint32_t kNotFoundStatus = 404;

// Method texts by HttpMethod code, for the recording.
std::string_view MethodName(uint32_t method) {
  static constexpr std::string_view kNames[] = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};
  return method < std::size(kNames) ? kNames[method] : std::string_view{};
}

std::string_view PathWithoutQuery(std::string_view path) {
  const std::size_t query = path.find('?');
  return query == std::string_view::npos ? path : path.substr(0, query);
}

// The host's own router: "{name}" takes one path segment, "{+name}" the rest of the path,
// everything else is literal. Matched by tracking every path position the template so far
// can end at, so hostile paths cost pieces × length, never backtracking.
bool TemplateMatches(std::string_view pathTemplate, std::string_view path) {
  if (pathTemplate.find('{') == std::string_view::npos) return pathTemplate == path;
  const std::size_t length = path.size();
  std::vector<char> reachable(length + 1, 0);
  std::vector<char> next(length + 1, 0);
  reachable[0] = 1;
  std::size_t at = 0;
  while (at < pathTemplate.size()) {
    std::fill(next.begin(), next.end(), 0);
    if (pathTemplate[at] == '{') {
      const std::size_t close = pathTemplate.find('}', at);
      if (close == std::string_view::npos) return false;  // the plugin's parser refuses these
      const bool rest = close > at + 1 && pathTemplate[at + 1] == '+';
      bool open = false;  // some earlier position reaches here through the placeholder
      for (std::size_t p = 0; p <= length; ++p) {
        if (reachable[p]) open = true;
        if (open) next[p] = 1;
        if (!rest && p < length && path[p] == '/') open = false;
      }
      at = close + 1;
    } else {
      const std::size_t brace = pathTemplate.find('{', at);
      const std::string_view literal =
          pathTemplate.substr(at, brace == std::string_view::npos ? std::string_view::npos : brace - at);
      for (std::size_t p = 0; p + literal.size() <= length; ++p) {
        if (reachable[p] && path.compare(p, literal.size(), literal) == 0) next[p + literal.size()] = 1;
      }
      at += literal.size();
    }
    reachable.swap(next);
  }
  return reachable[length] != 0;
}

// The body stream the host hands out for a streamed reply: one piece per read at most, so
// the reader sees partial reads between pieces.
struct HostStream {
  std::vector<std::string> pieces;
  std::size_t piece = 0;
  std::size_t offset = 0;
};

uint8_t ReadHostStream(void* stream, void* buffer, uint32_t* count, uint8_t* more) {
  auto* state = static_cast<HostStream*>(stream);
  if (state == nullptr || count == nullptr || more == nullptr || (buffer == nullptr && *count != 0)) return 0;
  uint32_t written = 0;
  if (state->piece < state->pieces.size()) {
    const std::string& current = state->pieces[state->piece];
    const std::size_t left = current.size() - state->offset;
    written = static_cast<uint32_t>(left < *count ? left : *count);
    if (written != 0) std::memcpy(buffer, current.data() + state->offset, written);
    state->offset += written;
    if (state->offset == current.size()) {
      ++state->piece;
      state->offset = 0;
    }
  }
  *count = written;
  *more = state->piece < state->pieces.size() ? 1 : 0;
  return 1;
}

void ReleaseHostStream(void* stream) { delete static_cast<HostStream*>(stream); }

// The error text of a response record for the plugin: the host's own block, which the
// record's release entry (below) frees.
char* CopyErrorText(const std::string& text) {
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// Frees what the host put into a response record for the plugin.
void ReleaseHostResponse(HostResponse* response) {
  if (response == nullptr) return;
  ReleaseHostValue(response->head.value);
  if (response->head.errorOwned != 0) std::free(response->head.error);
  // A body stream is released by its reader through the stream's own release entry.
  std::memset(static_cast<void*>(response), 0, sizeof *response);
}

BindingProperty DecodeOrEmpty(const HostBindingValue& value) {
  BindingResult decoded = FromHostValue(value, kResultRoot);
  return decoded.ok() ? std::move(decoded).value() : BindingProperty{};
}

std::string TextOrEmpty(const char* text) { return text == nullptr ? std::string{} : std::string(text); }

}  // namespace

PluginHost::PluginHost() {
  block_.table = HostFunctionTable{&HostRequestFunction, &HostUnused1, &HostFireEvent,
                                   &HostRegisterEventHandler, &HostUnregisterEventHandler,
                                   &HostPostTask, &HostYield, &HostBeginWait, &HostEndWait, &HostLog};
  block_.host = this;
  hostApi_.table = &block_.table;
  hostApi_.cookie = kPluginCookie;
}

PluginHost::~PluginHost() {
  if (started_ || outcome_.answered) Stop();
}

PluginHost& PluginHost::From(HostFunctionTable* table) {
  // The table is the first member of its block, so its address is the block's.
  return *reinterpret_cast<TableBlock*>(table)->host;
}

std::string PluginHost::Load(const std::string& libraryPath) {
  DynamicLibrary::OpenResult opened = DynamicLibrary::Open(libraryPath);
  if (!opened.ok()) return opened.error;
  void* symbol = opened.library->Symbol(kPluginLoadSymbol);
  if (symbol == nullptr) return std::string("no export ") + kPluginLoadSymbol + " in " + libraryPath;
  library_ = std::move(opened.library);
  entry_ = reinterpret_cast<PluginLoadFunction>(symbol);
  return {};
}

HandshakeOutcome PluginHost::Handshake(HostVersion version) {
  outcome_ = HandshakeOutcome{};
  if (entry_ == nullptr) return outcome_;
  PluginLoadBlock block{};
  block.major = version.major;
  block.minor = version.minor;
  block.patch = version.patch;
  void* context = entry_(&block);
  outcome_.answered = context != nullptr;
  outcome_.pluginVersion = HostVersion{block.major, block.minor, block.patch};
  outcome_.shortName = TextOrEmpty(block.shortName);
  outcome_.functions = block.functions;
  outcome_.context = block.context;
  outcome_.api = block.api;
  return outcome_;
}

bool PluginHost::Start() {
  if (!outcome_.answered || outcome_.functions == nullptr) return false;
  started_ = true;
  return outcome_.functions->Start(outcome_.context, &hostApi_) != 0;
}

void PluginHost::Stop() {
  if (!outcome_.answered || outcome_.functions == nullptr) return;
  outcome_.functions->Stop(outcome_.context);
  // A stopped module's callbacks and task records are gone: never call them again.
  bus_.UnregisterAll(kPluginCookie);
  loop_.DropOwner(kPluginCookie);
  started_ = false;
  outcome_.answered = false;
  outcome_.functions = nullptr;
  outcome_.context = nullptr;
  outcome_.api = nullptr;
}

std::array<uint32_t, 14> PluginHost::MemoryStats() const {
  std::array<uint32_t, 14> words{};
  if (outcome_.functions != nullptr) outcome_.functions->GetMemoryStats(outcome_.context, words.data());
  return words;
}

// --- The description block ---

std::vector<RestFunctionInfo> PluginHost::RestFunctions() const {
  std::vector<RestFunctionInfo> functions;
  if (outcome_.api == nullptr) return functions;
  for (uint32_t i = 0; i < outcome_.api->functionCount; ++i) {
    const RestFunctionRecord& record = outcome_.api->functions[i];
    RestFunctionInfo info;
    info.name = TextOrEmpty(record.description.name);
    info.method = record.method;
    info.pathTemplate = TextOrEmpty(record.pathTemplate);
    for (const ArgumentEntry* argument = record.description.args; argument != nullptr; argument = argument->next) {
      info.parameters.push_back(TextOrEmpty(argument->name));
    }
    functions.push_back(std::move(info));
  }
  return functions;
}

std::vector<std::string> PluginHost::TypeNames() const {
  std::vector<std::string> names;
  if (outcome_.api == nullptr) return names;
  for (uint32_t i = 0; i < outcome_.api->typeCount; ++i) names.push_back(TextOrEmpty(outcome_.api->types[i].name));
  return names;
}

std::vector<std::string> PluginHost::EventNames() const {
  std::vector<std::string> names;
  if (outcome_.api == nullptr) return names;
  for (uint32_t i = 0; i < outcome_.api->eventCount; ++i) names.push_back(TextOrEmpty(outcome_.api->events[i].name));
  return names;
}

CallResult PluginHost::Call(const CallRequest& request) {
  CallResult result;
  if (outcome_.api == nullptr) return result;
  const std::string_view path = PathWithoutQuery(request.path);
  const RestFunctionRecord* chosen = nullptr;
  for (uint32_t i = 0; i < outcome_.api->functionCount && chosen == nullptr; ++i) {
    const RestFunctionRecord& record = outcome_.api->functions[i];
    if (record.method != 0 && record.method != request.method) continue;
    const std::string pathTemplate = TextOrEmpty(record.pathTemplate);
    const std::string routed = pathTemplate.empty() ? TextOrEmpty(record.description.name) : pathTemplate;
    if (TemplateMatches(routed, path)) chosen = &record;
  }
  if (chosen == nullptr || chosen->dispatch == nullptr) return result;
  result.found = true;
  result.function = TextOrEmpty(chosen->description.name);

  std::vector<HostArgument> arguments(request.arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    arguments[i].name = nullptr;
    ToHostValue(request.arguments[i], arguments[i].value);
  }
  std::vector<HostHeader> headers;
  for (const NamedText& header : request.headers) headers.push_back(HostHeader{header.name.c_str(), header.value.c_str()});

  HostRequest in{};
  in.method = request.method;
  in.path = request.path.c_str();
  in.args = arguments.empty() ? nullptr : arguments.data();
  in.argCount = static_cast<uint32_t>(arguments.size());
  in.function = chosen->description.context;
  in.headers = headers.empty() ? nullptr : headers.data();
  in.headerCount = static_cast<uint32_t>(headers.size());
  in.contentType = request.contentType.c_str();
  in.body = request.body.empty() ? nullptr : reinterpret_cast<const uint8_t*>(request.body.data());
  in.bodyLength = static_cast<uint32_t>(request.body.size());
  in.requestContext = nullptr;
  in.customVerb = request.customVerb.c_str();

  HostResponse out{};
  chosen->dispatch(&out, &in);

  result.failed = out.head.errorOwned != 0 || out.head.error != nullptr;
  result.error = TextOrEmpty(out.head.error);
  result.status = out.status;
  result.statusText = TextOrEmpty(out.statusText);
  if (!result.failed) result.value = DecodeOrEmpty(out.head.value);
  for (uint32_t i = 0; i < out.headerCount && out.headers != nullptr; ++i) {
    result.headers.push_back(NamedText{TextOrEmpty(out.headers[i].name), TextOrEmpty(out.headers[i].value)});
  }
  if (out.streamRead != nullptr && out.stream != nullptr) {
    char buffer[4096];
    for (;;) {
      uint32_t count = sizeof buffer;
      uint8_t more = 0;
      if (out.streamRead(out.stream, buffer, &count, &more) == 0) break;
      result.streamedBody.append(buffer, count);
      if (more == 0) break;
    }
    if (out.streamRelease != nullptr) out.streamRelease(out.stream);
  }
  if (out.release != nullptr) out.release(&out);
  for (HostArgument& argument : arguments) ReleaseHostValue(argument.value);
  return result;
}

// --- Events and the loop ---

std::size_t PluginHost::DeliverEvent(std::string_view name, const BindingProperty& payload, uint32_t reserved) {
  HostBindingValue value{};
  ToHostValue(payload, value);
  const std::size_t called = bus_.Deliver(name, value, reserved);
  ReleaseHostValue(value);
  return called;
}

void PluginHost::ScheduleEvent(std::string_view name, BindingProperty payload, double delaySeconds) {
  loop_.Schedule(delaySeconds, 0, "Event: " + std::string(name),
                 [this, eventName = std::string(name), value = std::move(payload)] { DeliverEvent(eventName, value); });
}

std::size_t PluginHost::RunDue() {
  std::size_t ran = loop_.RunDue();
  if (ran == 0 && advanceWhenIdle_) ran = loop_.RunNext();
  return ran;
}

void PluginHost::AddSibling(std::shared_ptr<SiblingPlugin> sibling) {
  if (sibling == nullptr) return;
  for (SiblingRoute& route : sibling->Routes()) siblingRoutes_.push_back(Route{std::move(route), sibling});
}

// --- The ten host functions ---

HostCall& PluginHost::Record(HostCallKind kind, std::string text) {
  HostCall call;
  call.kind = kind;
  call.text = std::move(text);
  recording_.calls.push_back(std::move(call));
  return recording_.calls.back();
}

void PluginHost::HostRequestFunction(HostFunctionTable* self, HostResponse* out, const HostRequest* in) {
  if (out == nullptr || in == nullptr) return;
  From(self).AnswerRequest(*out, *in);
}

void PluginHost::AnswerRequest(HostResponse& out, const HostRequest& in) {
  SiblingRequest request;
  request.method = in.method;
  request.path = TextOrEmpty(in.path);
  request.cookie = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(in.requestContext));
  for (uint32_t i = 0; i < in.argCount && in.args != nullptr; ++i) request.arguments.push_back(DecodeOrEmpty(in.args[i].value));

  HostCall& call = Record(HostCallKind::Request, std::string(MethodName(in.method)) + " " + request.path);
  call.method = in.method;
  for (const BindingProperty& argument : request.arguments) call.value.Append() = argument;
  const std::size_t callIndex = recording_.calls.size() - 1;

  const std::string_view path = PathWithoutQuery(request.path);
  SiblingPlugin* target = nullptr;
  for (const Route& route : siblingRoutes_) {
    if (route.route.method == in.method && route.route.path == path) {
      target = route.plugin.get();
      break;
    }
  }
  SiblingReply reply = target != nullptr ? target->Handle(request)
                                         : SiblingReply::Failure(kNotFoundStatus, std::string(kNoSiblingMessage));
  // By index: answering may have recorded more calls and moved the recording.
  if (callIndex < recording_.calls.size()) {
    recording_.calls[callIndex].status = reply.status;
    recording_.calls[callIndex].error = reply.error;
  }

  std::memset(static_cast<void*>(&out), 0, sizeof out);
  out.status = reply.status;
  if (!reply.error.empty()) {
    out.head.error = CopyErrorText(reply.error);
    out.head.errorOwned = 1;
  } else if (!reply.streamedBody.empty()) {
    auto* stream = new HostStream{std::move(reply.streamedBody), 0, 0};
    for (const std::string& piece : stream->pieces) out.bodyLength += static_cast<uint32_t>(piece.size());
    out.stream = stream;
    out.streamRead = &ReadHostStream;
    out.streamRelease = &ReleaseHostStream;
  } else {
    ToHostValue(reply.value, out.head.value);
  }
  out.release = &ReleaseHostResponse;
}

void PluginHost::HostUnused1(HostFunctionTable* self, uint32_t first, uint32_t second) {
  HostCall& call = From(self).Record(HostCallKind::Unused1);
  call.cookie = first;
  call.flag = second;
}

void PluginHost::HostFireEvent(HostFunctionTable* self, const HostEvent* event) {
  if (event == nullptr) return;
  PluginHost& host = From(self);
  const std::string name = TextOrEmpty(event->name);
  BindingProperty payload = DecodeOrEmpty(event->payload);
  HostCall& call = host.Record(HostCallKind::FireEvent, name);
  call.flag = event->reserved;
  call.value = payload;
  // Delivered on the loop, not inside the plugin's call: a handler must not run in the
  // middle of the code that fired the event.
  host.ScheduleEvent(name, std::move(payload));
}

void PluginHost::HostRegisterEventHandler(HostFunctionTable* self, const char* name, uint32_t cookie,
                                          HostEventCallback callback, void* context, uint32_t flag) {
  PluginHost& host = From(self);
  HostCall& call = host.Record(HostCallKind::RegisterEventHandler, TextOrEmpty(name));
  call.cookie = cookie;
  call.flag = flag;
  if (name != nullptr) host.bus_.Register(name, cookie, callback, context, flag);
}

void PluginHost::HostUnregisterEventHandler(HostFunctionTable* self, const char* name, uint32_t cookie) {
  PluginHost& host = From(self);
  HostCall& call = host.Record(HostCallKind::UnregisterEventHandler, TextOrEmpty(name));
  call.cookie = cookie;
  if (name != nullptr) host.bus_.Unregister(name, cookie);
}

void PluginHost::HostPostTask(HostFunctionTable* self, const char* label, HostTaskCallback callback,
                              void* context, double delaySeconds, uint32_t) {
  PluginHost& host = From(self);
  const std::string text = TextOrEmpty(label);
  HostCall& call = host.Record(HostCallKind::PostTask, text);
  call.delaySeconds = delaySeconds;
  if (callback == nullptr) return;
  host.loop_.Schedule(delaySeconds, kPluginCookie, text, [callback, context] { callback(context); });
}

void PluginHost::HostYield(HostFunctionTable* self) {
  PluginHost& host = From(self);
  host.Record(HostCallKind::Yield);
  if (host.waitDepth_ > 0) ++host.yieldsInWait_;
  const std::size_t ran = host.RunDue();
  if (ran == 0 && host.waitDepth_ > 0 && host.loop_.pending() == 0 && host.stallHandler_) host.stallHandler_();
}

void PluginHost::HostBeginWait(HostFunctionTable* self, const char* label, uint32_t) {
  PluginHost& host = From(self);
  host.Record(HostCallKind::BeginWait, TextOrEmpty(label));
  if (host.waitDepth_++ == 0) host.yieldsInWait_ = 0;
}

// Answers the number of Yields made during the wait that ends.
uint64_t PluginHost::HostEndWait(HostFunctionTable* self) {
  PluginHost& host = From(self);
  host.Record(HostCallKind::EndWait);
  if (host.waitDepth_ > 0) --host.waitDepth_;
  return host.yieldsInWait_;
}

void PluginHost::HostLog(HostFunctionTable* self, int32_t level, const char* text) {
  PluginHost& host = From(self);
  HostCall& call = host.Record(HostCallKind::Log, TextOrEmpty(text));
  call.level = level;
  if (host.logSink_) host.logSink_(level, call.text);
}

}  // namespace Vela::Host
