// ApiRegistry: the module's registry of its API — the type registry, the registered
// functions, their REST bindings, and the API description block handed to the host.
//
//   ApiRegistry api;
//   FunctionRecord& f = api.AddFunction(MakeFunctionName("GET", "/v1/ban"));
//   FunctionBinding& b = api.AddBinding(f);
//   b.SetMethod(HttpMethod::Get);
//   b.SetPathTemplate("/v1/ban");
//   const ApiDescription& block = api.BuildApiDescription();
//
// The registry is initialised when it is created: its type registry holds the built-in
// help, asynchronous and callback types and the "OnCallback" event before anything else
// is registered. Functions and bindings are added while the module registers its API and
// are removed only by Initialise(). The binding map is guarded by a mutex; function
// records and bindings are only read once requests are served. The block and every record
// it points at live as long as the registry (or until it is initialised again).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "abi/api_description.h"
#include "binding/binding_registry.h"
#include "rest/function_binding.h"
#include "rest/function_record.h"

namespace Vela {

namespace detail {
struct ApiDescriptionStorage;
}  // namespace detail

class ApiRegistry {
 public:
  ApiRegistry();
  ~ApiRegistry();
  ApiRegistry(const ApiRegistry&) = delete;
  ApiRegistry& operator=(const ApiRegistry&) = delete;

  // Removes every function, binding and the description block, then initialises the type
  // registry (BindingRegistry::Initialise), which removes every type and event and
  // registers the built-ins again. Every record, binding and block address handed out
  // before becomes invalid. The constructor does this once.
  void Initialise();

  BindingRegistry& types() noexcept { return types_; }
  const BindingRegistry& types() const noexcept { return types_; }

  // The tags of every function and type registered from now on (built-in types keep their
  // own): the module's tag list, set during the handshake before anything is registered.
  void SetModuleTags(std::vector<std::string> tags);

  // A new function record of that name, carrying the module tags; its address stays valid
  // while the registry lives. Add its parameters before creating its binding.
  FunctionRecord& AddFunction(std::string_view name);
  // Every function in registration order.
  std::vector<const FunctionRecord*> Functions() const;

  // The function's binding, created on first use with every location Any.
  FunctionBinding& AddBinding(const FunctionRecord& function);
  // Null when the function has no binding.
  FunctionBinding* FindBinding(const FunctionRecord& function) const;
  // A snapshot of every binding, in creation order.
  std::vector<FunctionBinding*> ListBindings() const;

  // Builds the description block from the functions, the registered events, the
  // registered types and the bindings, in that order. Built once: later calls return the
  // same block.
  const ApiDescription& BuildApiDescription();

 private:
  BindingRegistry types_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<FunctionRecord>> functions_;
  std::vector<std::string> moduleTags_;
  std::unordered_map<const FunctionRecord*, std::unique_ptr<FunctionBinding>> bindings_;
  std::vector<FunctionBinding*> bindingOrder_;
  std::unique_ptr<detail::ApiDescriptionStorage> description_;
};

}  // namespace Vela
