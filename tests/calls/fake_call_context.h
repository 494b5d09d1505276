// A CallContext for driving the outbound calls in-process: requests are answered by a
// test-supplied function, and every effect on the "host" is recorded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/binding_registry.h"
#include "binding/host_value_conversion.h"
#include "binding/native_type_builder.h"
#include "calls/call_context.h"
#include "util/allocation.h"

// Records the tests convert.
namespace CallsTesting {

struct Inner {
  std::string name;
  int32_t level = 0;
};
struct Plain {
  std::string note;
};
struct Outer {
  Inner inner;
  std::vector<Inner> items;
  std::map<std::string, Inner> byName;
  Plain plain;
};
struct Session {
  std::string state;
  uint64_t accountId = 0;
};
enum class Tier : int32_t { Bronze = 1, Gold = 2 };
// Not registered: converting it fails.
struct Unregistered {
  int32_t x = 0;
};

}  // namespace CallsTesting

VELA_STATIC_TYPE(CallsTesting::Inner);
VELA_STATIC_TYPE(CallsTesting::Plain);
VELA_STATIC_TYPE(CallsTesting::Outer);
VELA_STATIC_TYPE(CallsTesting::Session);
VELA_STATIC_TYPE(CallsTesting::Tier);
VELA_STATIC_TYPE(CallsTesting::Unregistered);

namespace Vela::Testing {

inline void RegisterCallsTestTypes(BindingRegistry& registry) {
  using namespace CallsTesting;
  RegisterStruct<Inner>(registry, "Inner").Field("name", &Inner::name).Field("level", &Inner::level);
  RegisterStruct<Plain>(registry, "Plain").Field("note", &Plain::note);
  RegisterStruct<Outer>(registry, "Outer")
      .Field("inner", &Outer::inner)
      .Field("items", &Outer::items)
      .Field("byName", &Outer::byName)
      .Field("plain", &Outer::plain);
  RegisterStruct<Session>(registry, "Session").Field("state", &Session::state).Field("accountId", &Session::accountId);
  RegisterEnum<Tier>(registry, "Tier").Value("Bronze", Tier::Bronze).Value("Gold", Tier::Gold);
}

// What the fake's request handler sees of one request.
struct SeenRequest {
  uint32_t method = 0;
  std::string path;
  std::vector<BindingProperty> arguments;
  std::vector<bool> positional;  // each argument's name pointer was null
  uintptr_t requestContext = 0;
};

// A reply the fake puts into the response record.
struct FakeReply {
  uint32_t status = 200;
  BindingProperty value;
  std::string error;  // not empty: a failure
  // Not empty: a body stream; each read hands out at most the next of these pieces.
  std::vector<std::string> pieces;
  bool streamFails = false;  // the stream's read entry reports failure
};

class FakeCallContext final : public CallContext {
 public:
  FakeCallContext() { RegisterCallsTestTypes(registry_); }

  // --- CallContext ---
  void Request(HostResponse* out, const HostRequest* in) override {
    SeenRequest seen;
    seen.method = in->method;
    seen.path = in->path;
    seen.requestContext = reinterpret_cast<uintptr_t>(in->requestContext);
    for (uint32_t i = 0; i < in->argCount; ++i) {
      BindingResult decoded = FromHostValue(in->args[i].value, "<arg>");
      seen.arguments.push_back(decoded.ok() ? std::move(decoded).value() : BindingProperty("<undecodable>"));
      seen.positional.push_back(in->args[i].name == nullptr);
    }
    requests.push_back(seen);
    FakeReply reply = onRequest ? onRequest(seen) : FakeReply{};
    out->status = reply.status;
    out->release = &ReleaseResponse;
    if (!reply.error.empty()) {
      out->head.error = DuplicateText(reply.error.c_str());
      out->head.errorOwned = 1;
    }
    if (!reply.pieces.empty() || reply.streamFails) {
      auto* stream = new Stream{std::move(reply.pieces), 0, reply.streamFails};
      for (const std::string& piece : stream->pieces) out->bodyLength += static_cast<uint32_t>(piece.size());
      out->stream = stream;
      out->streamRead = &ReadStream;
      out->streamRelease = &ReleaseStream;
    } else if (reply.error.empty()) {
      ToHostValue(reply.value, out->head.value);
    }
  }
  uint64_t WaitYield() override {
    ++yields;
    return 0;
  }
  void Subscribe(std::string_view resourcePath) override { subscribed.emplace_back(resourcePath); }
  void RegisterHandler(std::string_view eventName, LcdsEventHandler handler, uint32_t flag) override {
    registered[std::string(eventName)] = {std::move(handler), flag};
  }
  void PostTask(std::string_view label, int64_t, std::function<void()> task) override {
    posted.emplace_back(std::string(label), std::move(task));
  }
  const BindingRegistry* conversionTypes() const override { return &registry_; }
  uint32_t cookie() const override { return 0xC0FFEE; }
  const std::string& shortName() const override { return shortName_; }
  bool stopping() const override { return false; }

  // --- For the tests ---
  void RunPosted() {
    auto tasks = std::move(posted);
    posted.clear();
    for (auto& [label, task] : tasks) task();
  }
  BindingRegistry& registry() { return registry_; }

  std::function<FakeReply(const SeenRequest&)> onRequest;
  std::vector<SeenRequest> requests;
  uint32_t yields = 0;
  std::vector<std::string> subscribed;
  std::map<std::string, std::pair<LcdsEventHandler, uint32_t>> registered;
  std::vector<std::pair<std::string, std::function<void()>>> posted;

  // Releases of response records and of body streams, process-wide.
  static inline int responsesReleased = 0;
  static inline int streamsReleased = 0;

 private:
  struct Stream {
    std::vector<std::string> pieces;
    std::size_t next = 0;
    bool fails = false;
  };
  static uint8_t ReadStream(void* stream, void* buffer, uint32_t* count, uint8_t* more) {
    auto* state = static_cast<Stream*>(stream);
    if (state->fails) return 0;
    uint32_t written = 0;
    if (state->next < state->pieces.size()) {
      std::string& piece = state->pieces[state->next];
      written = static_cast<uint32_t>(std::min<std::size_t>(piece.size(), *count));
      std::memcpy(buffer, piece.data(), written);
      piece.erase(0, written);
      if (piece.empty()) ++state->next;
    }
    *count = written;
    *more = state->next < state->pieces.size() ? 1 : 0;
    return 1;
  }
  static void ReleaseStream(void* stream) {
    ++streamsReleased;
    delete static_cast<Stream*>(stream);
  }
  static void ReleaseResponse(HostResponse* response) {
    ++responsesReleased;
    ReleaseHostValue(response->head.value);
    if (response->head.errorOwned != 0) Free(response->head.error);
    response->head.error = nullptr;
    response->head.errorOwned = 0;
  }

  BindingRegistry registry_;
  std::string shortName_ = "arx-player-behavior";
};

}  // namespace Vela::Testing
