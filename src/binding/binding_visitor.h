// BindingVisitor: how codecs walk a tree. WalkBinding drives a visitor over a value
// without recursion, so a document of any depth can be written out.
//
// Walking order: Empty → Null; scalars → their operation; Collection → StartArray(count),
// then BeginElement, the element, EndElement for each, then EndArray; Structure →
// StartObject(count), then Key, the value, EndField for each field in name order, then
// EndObject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "binding/binding_property.h"

namespace Vela {

class BindingVisitor {
 public:
  virtual void Null() = 0;
  virtual void Bool(bool value) = 0;
  virtual void Signed(int64_t value) = 0;
  virtual void Unsigned(uint64_t value) = 0;
  virtual void Double(double value) = 0;
  virtual void String(std::string_view text) = 0;
  virtual void Blob(std::span<const uint8_t> bytes) = 0;
  virtual void Enum(BindingEnum value) = 0;
  virtual void StartArray(std::size_t count) = 0;
  virtual void BeginElement() = 0;
  virtual void EndElement() = 0;
  virtual void EndArray() = 0;
  virtual void StartObject(std::size_t count) = 0;
  virtual void Key(std::string_view name) = 0;
  virtual void EndField() = 0;
  virtual void EndObject() = 0;
  virtual ~BindingVisitor() = default;
};

void WalkBinding(const BindingProperty& value, BindingVisitor& visitor);

}  // namespace Vela
