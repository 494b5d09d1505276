#include "calls/call_failure.h"

#include <vector>

#include "binding/maybe_type.h"
#include "util/named_template.h"

namespace Vela {
namespace {

BindingProperty ToValue(const TypedArgument& argument) {
  switch (argument.kind()) {
    case TypedArgumentKind::Bool: return BindingProperty(argument.GetBool());
    case TypedArgumentKind::Signed: return BindingProperty(argument.GetSigned());
    case TypedArgumentKind::Unsigned: return BindingProperty(argument.GetUnsigned());
    case TypedArgumentKind::Double: return BindingProperty(argument.GetDouble());
    case TypedArgumentKind::Text: return BindingProperty(argument.GetText());
  }
  return BindingProperty();
}

}  // namespace

BindingProperty MakeCallFailure(std::string_view pattern,
                                std::initializer_list<std::string_view> arguments,
                                uint32_t statusCode) {
  std::vector<TypedArgument> typed;
  typed.reserve(arguments.size());
  for (std::string_view argument : arguments) typed.push_back(TypedArgument::Text(std::string(argument)));
  NamedValues named;
  const std::string message = FormatNamedTemplate(pattern, typed, named);
  if (statusCode != 0) {
    named.insert_or_assign(std::string(kErrorCodeNamedValue),
                           TypedArgument::Signed(static_cast<int64_t>(statusCode)));
  }

  BindingProperty failure = Failure::Make(message);
  BindingProperty& values = failure.MutableField(kFailureNamedValuesField);
  values.MakeStructure();
  for (const auto& [name, value] : named) values.MutableField(name) = ToValue(value);
  if (statusCode != 0) failure.MutableField(kFailureStatusCodeField) = statusCode;
  return failure;
}

uint32_t FailureStatusCode(const BindingProperty& failure) noexcept {
  const uint64_t code = failure.FieldOrEmpty(kFailureStatusCodeField).GetUnsignedOr(0);
  return code > UINT32_MAX ? 0 : static_cast<uint32_t>(code);
}

const BindingProperty& FailureNamedValues(const BindingProperty& failure) noexcept {
  return failure.FieldOrEmpty(kFailureNamedValuesField);
}

}  // namespace Vela
