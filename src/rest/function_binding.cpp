#include "rest/function_binding.h"

#include "rest/function_record.h"

namespace Vela {

FunctionBinding::FunctionBinding(const FunctionRecord& function)
    : function_(&function),
      route_(MakeRoute(this, function.name)),
      locations_(function.parameters.size(), ParameterLocation::Any) {
  parameterIndex_.reserve(function.parameters.size());
  headerNames_.reserve(function.parameters.size());
  for (std::size_t i = 0; i < function.parameters.size(); ++i) {
    parameterIndex_.emplace(function.parameters[i].name, i);
    std::string lower = function.parameters[i].name;
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    headerNames_.push_back(std::move(lower));
  }
}

std::string_view FunctionBinding::HeaderNameOf(std::size_t parameter) const noexcept {
  return parameter < headerNames_.size() ? std::string_view(headerNames_[parameter]) : std::string_view();
}

std::optional<std::size_t> FunctionBinding::ParameterIndex(std::string_view name) const {
  const auto found = parameterIndex_.find(name);
  if (found == parameterIndex_.end()) return std::nullopt;
  return found->second;
}

void FunctionBinding::SetPathTemplate(std::string_view pathTemplate) {
  pathTemplate_ = std::string(pathTemplate);
  route_ = MakeRoute(this, pathTemplate_.empty() ? std::string_view(function_->name)
                                                 : std::string_view(pathTemplate_));
}

void FunctionBinding::SetMethod(HttpMethod method, std::string_view customVerb) {
  method_ = method;
  customVerb_ = method == HttpMethod::Custom ? std::string(customVerb) : std::string();
}

ParameterLocation FunctionBinding::LocationOf(std::size_t parameter) const noexcept {
  return parameter < locations_.size() ? locations_[parameter] : ParameterLocation::Any;
}

void FunctionBinding::SetLocation(std::size_t parameter, ParameterLocation location) {
  if (parameter < locations_.size()) locations_[parameter] = location;
}

}  // namespace Vela
