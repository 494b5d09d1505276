// TypeInfo: the registry's description of one native structure or enumeration, with its
// field records (structures) or value records (enumerations).
//
// Records are built at start-up through the registry's builders (binding_registry.h,
// native_type_builder.h) and not changed afterwards, so they are read without a lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_converter.h"
#include "binding/type_descriptor.h"

namespace Vela {

class BindingRegistry;
struct TypeIdentity;
struct TypeInfo;

// Flags of a field record.
enum FieldFlags : uint32_t {
  kFieldNoFlags = 0,
  kFieldSkipDefaultOnOutput = 1,  // left out of the output when its value is its default
  kFieldRequiredOnInput = 2,      // missing or Empty on input is a failure
};

struct FieldRecord {
  std::string name;
  uint32_t nameHash = 0;  // FNV-1a of name
  std::string description;
  const TypeIdentity* typeIdentity = nullptr;  // of the field's native type
  uint32_t offset = 0;                         // of the field inside the native structure
  TypeDescriptor type;
  TypeDescriptor elementType;  // a second descriptor; code None unless given explicitly
  uint32_t flags = kFieldNoFlags;
  std::unique_ptr<const BindingConverter> converter;
  const TypeInfo* owner = nullptr;
  bool optional = false;  // reported by help only; conversions ignore it
};

struct EnumValueRecord {
  int32_t value = 0;
  std::string name;
  std::string description;
  const BindingRegistry* registry = nullptr;
};

struct TypeInfo {
  uint32_t size = 0;  // of the native type, in bytes
  bool isEnum = false;
  std::string name;
  std::string nameSpace;  // empty unless set when registering
  uint32_t identifier = 0;
  const TypeIdentity* identity = nullptr;
  std::string description;
  std::vector<std::string> tags;
  std::vector<FieldRecord> fields;  // registration order (structures)
  // Each field's place when the fields are in name order (unsigned byte-wise; of equal
  // names, the earlier registered first), kept as fields are added, so that writers of
  // ordered output need not sort a record's names for every value.
  std::vector<uint32_t> fieldRanks;
  bool repeatedFieldNames = false;  // two field records share a name
  // By name, in unsigned byte-wise order (enumerations).
  std::map<std::string, EnumValueRecord, std::less<>> values;
  const BindingRegistry* registry = nullptr;

  // The value record holding `value`, or null (a linear scan).
  const EnumValueRecord* FindValue(int32_t value) const noexcept {
    for (const auto& [name, record] : values) {
      if (record.value == value) return &record;
    }
    return nullptr;
  }
  bool HasValue(int32_t value) const noexcept { return FindValue(value) != nullptr; }
};

}  // namespace Vela
