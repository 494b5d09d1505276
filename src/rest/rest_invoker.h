// RestInvoker: how the dispatch calls a REST function's handler. One invoker class exists
// per registered handler (rest_function.h builds them from C++ callables); tests and
// special functions may implement it directly.
//
// The dispatch owns one RestCallState per request: it binds the parameter values, then,
// while `status` is ok, calls Begin and Run; Run converts the values to the handler's
// native arguments, calls the handler and leaves everything it answers in `reply`. A
// failure recorded in `status` (by binding, conversion or the handler) is what the
// response carries.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "abi/host_value.h"
#include "binding/maybe_type.h"

namespace Vela {

class EnumNameLookup;
class HostValueArena;

// A response body produced piece by piece. The host reads it through the response's
// stream entries and releases it through them.
class ResponseBodyStream {
 public:
  virtual ~ResponseBodyStream() = default;
  // Fills at most `count` bytes of `buffer`, sets `count` to the bytes written and `more`
  // when bytes remain; false on a read error.
  virtual bool Read(void* buffer, uint32_t& count, bool& more) = 0;
  // The total body length, as far as the stream knows it.
  virtual uint32_t Length() const = 0;
};

// What a handler answers besides its value. All defaults mean "nothing special".
struct RestReply {
  BindingProperty value;
  uint8_t resultFlag = 0;
  uint32_t resultMode = 0;
  uint32_t status = 0;
  std::string statusText;
  std::vector<std::pair<std::string, std::string>> headers;
  std::unique_ptr<ResponseBodyStream> stream;
};

// Where the dispatch would have the answer's value in the host form, when it would: an
// invoker that can write its native result there directly (no value tree between) does so,
// carving its blocks from `arena`, and sets `written`, leaving reply.value Empty. Others
// fill reply.value as usual.
struct HostValueTarget {
  HostBindingValue* value = nullptr;
  const EnumNameLookup* enums = nullptr;
  HostValueArena* arena = nullptr;
  bool written = false;
};

struct RestCallState {
  std::vector<BindingProperty> parameters;  // one per parameter, in parameter order
  BindingResult status = BindingResult::Ok();  // ok until the first failure
  RestReply reply;
  HostValueTarget hostTarget;
};

class RestInvoker {
 public:
  // Prepares one call; the handle returned is passed to Run and Release (may be null).
  virtual void* Begin(BindingResult& status, std::span<BindingProperty> parameters,
                      void* requestContext) = 0;
  // `requestInfo` is always null in this system.
  virtual void Run(RestCallState& call, const void* requestInfo, void* operation,
                   void* requestContext) = 0;
  virtual void Release(void* operation) = 0;
  // Asks a running operation to stop; the dispatch does not use it.
  virtual void Cancel(void* /*operation*/) {}
  // The printable name of the handler's result type.
  virtual std::string_view ResultTypeName() const = 0;
  virtual ~RestInvoker() = default;
};

}  // namespace Vela
