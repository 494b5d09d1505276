// FunctionBinding: what makes a registered function a REST function — the method it
// answers, its path template, where each parameter may come from, and the invoker that
// calls its handler. The API registry creates one per function (ApiRegistry::AddBinding).
//
//   FunctionBinding& b = registry.AddBinding(function);
//   b.SetMethod(HttpMethod::Delete);
//   b.SetPathTemplate("/v1/feedback/{id}");      // compiles the route once, here
//   b.SetLocation(0, ParameterLocation::Path);
//
// Bindings are configured while the module registers its API and only read afterwards, so
// dispatch reads them without a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rest/http_method.h"
#include "rest/rest_invoker.h"
#include "rest/route.h"
#include "util/fnv1a.h"

namespace Vela {

struct FunctionRecord;

// Where a parameter may be given. Any allows the query string, the path or a header.
enum class ParameterLocation : uint32_t {
  Any = 0,
  Query = 1,
  Path = 2,
  Header = 4,
  Body = 5,
};

class FunctionBinding {
 public:
  // All locations start as Any, one per parameter of `function`; the route is the
  // function's name as a literal path until a template is set.
  explicit FunctionBinding(const FunctionRecord& function);

  FunctionBinding(const FunctionBinding&) = delete;
  FunctionBinding& operator=(const FunctionBinding&) = delete;

  const FunctionRecord& function() const noexcept { return *function_; }

  RestInvoker* invoker() const noexcept { return invoker_.get(); }
  void SetInvoker(std::unique_ptr<RestInvoker> invoker) { invoker_ = std::move(invoker); }

  std::string_view pathTemplate() const noexcept { return pathTemplate_; }
  // Compiles the route here, so that requests never compile an expression.
  void SetPathTemplate(std::string_view pathTemplate);
  // The route the dispatch matches: the template's, or the function's name when empty.
  const Route& route() const noexcept { return route_; }

  HttpMethod method() const noexcept { return method_; }
  std::string_view customVerb() const noexcept { return customVerb_; }
  // The verb is kept only for HttpMethod::Custom.
  void SetMethod(HttpMethod method, std::string_view customVerb = {});

  uint8_t flag() const noexcept { return flag_; }
  void SetFlag(uint8_t flag) noexcept { flag_ = flag; }
  // Lists of texts handed to the host unchanged.
  const std::vector<std::vector<std::string>>& textLists() const noexcept { return textLists_; }
  void AddTextList(std::vector<std::string> texts) { textLists_.push_back(std::move(texts)); }

  // The position of the parameter of that name (the first, should two share it).
  std::optional<std::size_t> ParameterIndex(std::string_view name) const;

  // The parameter's name in ASCII lower case: the header name it is read from. Empty for
  // an index past the parameters.
  std::string_view HeaderNameOf(std::size_t parameter) const noexcept;

  std::span<const ParameterLocation> locations() const noexcept { return locations_; }
  // Any for an index past the parameters.
  ParameterLocation LocationOf(std::size_t parameter) const noexcept;
  // Ignored for an index past the parameters.
  void SetLocation(std::size_t parameter, ParameterLocation location);

 private:
  const FunctionRecord* function_;
  std::unique_ptr<RestInvoker> invoker_;
  std::string pathTemplate_;
  Route route_;
  HttpMethod method_ = HttpMethod::None;
  std::string customVerb_;
  uint8_t flag_ = 0;
  std::vector<std::vector<std::string>> textLists_;
  std::vector<ParameterLocation> locations_;
  std::vector<std::string> headerNames_;
  // Built once with the binding: requests look parameters up by name.
  std::unordered_map<std::string_view, std::size_t, Fnv1aHash, std::equal_to<>> parameterIndex_;
};

}  // namespace Vela
