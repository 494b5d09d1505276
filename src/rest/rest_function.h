// Registering a C++ callable as a REST function: its parameters and result convert
// through the type registry, and the dispatch calls it through a typed invoker.
//
//   RegisterRestFunction(api, {HttpMethod::Delete, "/v1/feedback/{id}"},
//                        {{"id", ParameterLocation::Path}},
//                        [&](const std::string& id) -> RestResult<Feedback> {
//                          if (!Known(id)) return RestFailure{404, "Not found"};
//                          return Remove(id);
//                        });
//
// A handler takes its parameters by value or const reference, in declaration order, of
// any type NativeType knows (binding/native_type.h), and returns a T, a
// MaybeType<Failure, T> or a RestResult<T>. The function's name is the camel case of the
// method and path (MakeFunctionName) unless one is given. Registration happens before
// requests are served; a handler whose parameter count differs from the declarations is a
// programming error and is refused with std::invalid_argument.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/host_value_arena.h"
#include "binding/maybe_type.h"
#include "binding/native_type.h"
#include "binding/static_type.h"
#include "rest/api_registry.h"
#include "rest/function_binding.h"
#include "rest/function_name.h"
#include "rest/function_record.h"
#include "rest/http_method.h"
#include "rest/rest_invoker.h"

namespace Vela {

// A handler's failure with its HTTP status.
struct RestFailure {
  uint32_t status = 0;
  std::string message;
};

// A handler's answer: a value or a failure, and what the response carries besides.
template <typename T>
struct RestResult {
  RestResult(T value) : result(std::move(value)) {}
  RestResult(MaybeType<Failure, T> value) : result(std::move(value)) {}
  RestResult(RestFailure failure)
      : result(MaybeType<Failure, T>::FromFailure(failure.message)), status(failure.status) {}

  MaybeType<Failure, T> result;
  uint32_t status = 0;
  std::string statusText;
  std::vector<std::pair<std::string, std::string>> headers;
  uint8_t resultFlag = 0;
  uint32_t resultMode = 0;
  std::unique_ptr<ResponseBodyStream> stream;
};

struct RestFunctionSpec {
  RestFunctionSpec(HttpMethod method, std::string_view path) : method(method), path(path) {}

  HttpMethod method = HttpMethod::None;
  std::string_view path;
  std::string_view description;
  std::string_view customVerb;  // for HttpMethod::Custom
  std::string_view name;        // MakeFunctionName(method, path) when empty
};

struct RestParameter {
  RestParameter(std::string_view name, ParameterLocation location = ParameterLocation::Any,
                std::string_view description = {}, bool optional = false)
      : name(name), description(description), location(location), optional(optional) {}

  std::string_view name;
  std::string_view description;
  ParameterLocation location = ParameterLocation::Any;
  bool optional = false;
};

namespace detail {

template <typename R>
struct HandlerResultTraits {
  using Value = R;
  static RestResult<R> Wrap(R&& value) { return RestResult<R>(std::move(value)); }
};
template <typename T>
struct HandlerResultTraits<MaybeType<Failure, T>> {
  using Value = T;
  static RestResult<T> Wrap(MaybeType<Failure, T>&& value) { return RestResult<T>(std::move(value)); }
};
template <typename T>
struct HandlerResultTraits<RestResult<T>> {
  using Value = T;
  static RestResult<T> Wrap(RestResult<T>&& value) { return std::move(value); }
};

template <typename R, typename... Args>
class TypedRestInvoker final : public RestInvoker {
 public:
  using Traits = HandlerResultTraits<R>;
  using Value = typename Traits::Value;

  TypedRestInvoker(std::function<R(Args...)> handler, const BindingRegistry& registry,
                   std::vector<std::string> names)
      : handler_(std::move(handler)), registry_(&registry), names_(std::move(names)) {}

  void* Begin(BindingResult&, std::span<BindingProperty>, void*) override { return nullptr; }

  void Run(RestCallState& call, const void*, void*, void*) override {
    std::tuple<std::decay_t<Args>...> arguments;
    ReadArguments(call, arguments, std::index_sequence_for<Args...>{});
    if (!call.status.ok()) return;
    RestResult<Value> answer = Traits::Wrap(std::apply(handler_, std::move(arguments)));
    RestReply& reply = call.reply;
    reply.status = answer.status;
    reply.statusText = std::move(answer.statusText);
    reply.headers = std::move(answer.headers);
    reply.resultFlag = answer.resultFlag;
    reply.resultMode = answer.resultMode;
    reply.stream = std::move(answer.stream);
    if (!answer.result.ok()) {
      call.status.SetFailure(answer.result.message());
      return;
    }
    if (call.hostTarget.value != nullptr) {
      HostValueArena::Scope scope(call.hostTarget.arena);
      ToHostValueFromNative(call.status, *call.hostTarget.value, answer.result.value(), *registry_,
                            call.hostTarget.enums);
      call.hostTarget.written = call.status.ok();
      return;
    }
    BindingResult converted = ToBinding(answer.result.value(), *registry_);
    if (!converted.ok()) {
      call.status.SetFailure(converted.message());
      return;
    }
    reply.value = std::move(converted).value();
  }

  void Release(void*) override {}
  std::string_view ResultTypeName() const override { return StaticTypeName<Value>(); }

  // The callable alone, without binding or conversion: the floor a dispatch is measured
  // against.
  const std::function<R(Args...)>& handler() const noexcept { return handler_; }

 private:
  template <typename Tuple, std::size_t... I>
  void ReadArguments(RestCallState& call, Tuple& arguments, std::index_sequence<I...>) {
    (FromBindingInto(call.status, std::get<I>(arguments), call.parameters[I], names_[I], *registry_),
     ...);
  }

  std::function<R(Args...)> handler_;
  const BindingRegistry* registry_;
  std::vector<std::string> names_;
};

template <typename R, typename... Args>
FunctionBinding& RegisterTyped(ApiRegistry& api, const RestFunctionSpec& spec,
                               std::initializer_list<RestParameter> parameters,
                               std::function<R(Args...)> handler) {
  if (parameters.size() != sizeof...(Args)) {
    throw std::invalid_argument("REST handler parameter count differs from its declarations");
  }
  using Value = typename HandlerResultTraits<R>::Value;
  const std::string name = spec.name.empty()
                               ? MakeFunctionName(MethodText(spec.method), spec.path)
                               : std::string(spec.name);
  FunctionRecord& function = api.AddFunction(name);
  function.description = std::string(spec.description);
  function.returnType = DescribeNativeType<Value>(api.types());
  const TypeDescriptor types[] = {TypeDescriptor{}, DescribeNativeType<std::decay_t<Args>>(api.types())...};
  const bool nativeOptional[] = {false, NativeType<std::decay_t<Args>>::kOptional...};
  std::vector<std::string> names;
  std::size_t index = 0;
  for (const RestParameter& parameter : parameters) {
    ++index;  // slot 0 of the arrays above only keeps them non-empty
    function.AddParameter(parameter.name, types[index], parameter.description,
                          parameter.optional || nativeOptional[index]);
    names.emplace_back(parameter.name);
  }
  FunctionBinding& binding = api.AddBinding(function);
  binding.SetMethod(spec.method, spec.customVerb);
  binding.SetPathTemplate(spec.path);
  index = 0;
  for (const RestParameter& parameter : parameters) binding.SetLocation(index++, parameter.location);
  binding.SetInvoker(std::make_unique<TypedRestInvoker<R, Args...>>(std::move(handler), api.types(),
                                                                    std::move(names)));
  return binding;
}

}  // namespace detail

template <typename Handler>
FunctionBinding& RegisterRestFunction(ApiRegistry& api, const RestFunctionSpec& spec,
                                      std::initializer_list<RestParameter> parameters,
                                      Handler handler) {
  return detail::RegisterTyped(api, spec, parameters, std::function{std::move(handler)});
}

}  // namespace Vela
