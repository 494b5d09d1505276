// FunctionRecord: the API registry's description of one registered function — its name,
// ordered parameters and return type — as the route table, the dispatch and the API
// description block read it.
//
//   FunctionRecord& f = registry.AddFunction("GetArxPlayerBehaviorV1Ban");
//   f.returnType = {TypeCode::Struct, TypeCode::None, banInfo};
//
// Records are filled while the module registers its API and not changed afterwards, so
// they are read without a lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/type_descriptor.h"
#include "util/fnv1a.h"

namespace Vela {

struct FunctionRecord;
struct TypeIdentity;

struct ParameterRecord {
  std::string name;
  uint32_t nameHash = 0;  // FNV-1a of name
  std::string description;
  bool optional = false;
  TypeDescriptor type;
  // A second descriptor: when its code is not None, the description block shows it.
  TypeDescriptor elementType;
  const FunctionRecord* function = nullptr;
};

struct FunctionRecord {
  std::string name;
  std::vector<ParameterRecord> parameters;  // declaration order
  TypeDescriptor returnType;
  TypeDescriptor returnElementType;  // shown instead of returnType when its code is not None
  std::vector<std::string> tags;
  std::string nameSpace;
  std::string description;
  std::string help;
  bool threadSafe = false;
  bool isAsync = false;
  const TypeIdentity* asyncType = nullptr;  // the asynchronous event type, when isAsync
  const void* registry = nullptr;

  // Appends a parameter, hashing its name and pointing it back at this record.
  ParameterRecord& AddParameter(std::string_view parameterName, TypeDescriptor parameterType,
                                std::string_view parameterDescription = {},
                                bool isOptional = false) {
    ParameterRecord& parameter = parameters.emplace_back();
    parameter.name = std::string(parameterName);
    parameter.nameHash = Fnv1a32(parameterName);
    parameter.description = std::string(parameterDescription);
    parameter.optional = isOptional;
    parameter.type = parameterType;
    parameter.function = this;
    return parameter;
  }
};

}  // namespace Vela
