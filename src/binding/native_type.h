// NativeType<T>: how one native type converts to and from a BindingProperty, chosen by the
// type itself; and the generic entry points ToBinding / FromBinding over them.
//
//   BindingResult out = ToBinding(ban, registry);                     // BanNotification → value
//   auto in = FromBinding<BanNotification>(body, "body", registry);   // value → BanNotification
//   if (!in.ok()) return in.message();
//
// Native types: bool; 8- to 64-bit integers; float, double; std::string; BindingProperty
// (copied unconverted); std::vector<uint8_t> (a blob); registered enumerations and
// structures (those with a StaticType name, see static_type.h); std::vector and
// std::map<std::string, ...> of those; std::optional of those (absent ↔ Empty).
// A vector or map of vectors or maps has no type descriptor and is rejected at compile time.
//
// Each NativeType<T> provides:
//   Describe(registry)                       the type descriptor (looks the TypeInfo up)
//   Read(status, T&, input, path, info, registry)   keeps to the status rule; writes the
//                                            target only when the conversion succeeded
//                                            (structures and containers fill in place)
//   Write(result, const T&, info, registry)  leaves the value, marked ok, or a failure
//   WriteInto(status, target, const T&, info, registry)   the same written into a node of
//                                            the tree being built (see BindingConverter)
//   WriteHost(status, out, const T&, info, registry, enums)   the same straight in the host
//                                            form; answers whether it is the default
//                                            (BindingConverter::ToHostInto)
//   kOptional                                whether the type is natively optional
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/binding_conversions.h"
#include "binding/binding_converter.h"
#include "binding/binding_property.h"
#include "binding/binding_registry.h"
#include "binding/enum_name_lookup.h"
#include "binding/host_value_conversion.h"
#include "binding/internal/host_value_parts.h"
#include "binding/maybe_type.h"
#include "binding/native_to_host.h"
#include "binding/static_type.h"
#include "binding/type_descriptor.h"
#include "binding/type_identity_of.h"

namespace Vela {

// Undefined for a type that has no conversion: using it is a compile error.
template <typename T>
struct NativeType;

namespace detail {

template <typename T, template <typename...> class Template>
inline constexpr bool kIsSpecialisationOf = false;
template <template <typename...> class Template, typename... Args>
inline constexpr bool kIsSpecialisationOf<Template<Args...>, Template> = true;

template <typename T>
inline constexpr bool kIsContainer =
    kIsSpecialisationOf<T, std::vector> || kIsSpecialisationOf<T, std::map>;

// A class that converts as a registered structure: any class that names itself through
// StaticType and is none of the framework's own native types.
template <typename T>
concept RecordType = std::is_class_v<T> && !std::is_same_v<T, std::string> &&
                     !std::is_same_v<T, BindingProperty> && !kIsContainer<T> &&
                     !kIsSpecialisationOf<T, std::optional> &&
                     requires { StaticType<T>::name; };

template <typename T>
concept IntegerType =
    std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>;

template <typename T>
constexpr TypeCode IntegerCode() {
  constexpr bool s = std::is_signed_v<T>;
  switch (sizeof(T)) {
    case 1: return s ? TypeCode::Int8 : TypeCode::UInt8;
    case 2: return s ? TypeCode::Int16 : TypeCode::UInt16;
    case 4: return s ? TypeCode::Int32 : TypeCode::UInt32;
    default: return s ? TypeCode::Int64 : TypeCode::UInt64;
  }
}

// Read and Write shared by the native types whose descriptor is a bare code.
template <TypeCode Code>
struct PlainDescription {
  static constexpr bool kOptional = false;
  static TypeDescriptor Describe(const BindingRegistry&) { return {Code, TypeCode::None, nullptr}; }
};

// Write for the types that build a tree: their WriteInto into a fresh root.
template <typename Native, typename T>
void WriteAsRoot(BindingResult& result, const T& source, const TypeInfo* info,
                 const BindingRegistry& registry) {
  BindingResult status = BindingResult::Ok();
  BindingProperty out;
  Native::WriteInto(status, out, source, info, registry);
  if (!status.ok()) {
    result.SetFailure(status.message());
    return;
  }
  result.SetValue(std::move(out));
}

}  // namespace detail

template <>
struct NativeType<bool> : detail::PlainDescription<TypeCode::Bool> {
  static void Read(BindingResult& status, bool& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo*, const BindingRegistry&) {
    const bool value = BoolFromBinding(status, input, path);
    if (status.ok()) target = value;
  }
  static void Write(BindingResult& result, bool source, const TypeInfo*, const BindingRegistry&) {
    result.SetValue(BindingProperty(source));
  }
  static void WriteInto(BindingResult&, BindingProperty& target, bool source, const TypeInfo*,
                        const BindingRegistry&) {
    target.SetBool(source);
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, bool source, const TypeInfo*,
                        const BindingRegistry&, const EnumNameLookup*) {
    out.b = source ? 1 : 0;
    out.type = static_cast<uint32_t>(HostValueType::Bool);
    return !source;
  }
};

template <detail::IntegerType T>
struct NativeType<T> : detail::PlainDescription<detail::IntegerCode<T>()> {
  static void Read(BindingResult& status, T& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo*, const BindingRegistry&) {
    const std::string_view name = TypeCodeName(detail::IntegerCode<T>());
    if constexpr (std::is_signed_v<T>) {
      const int64_t value = SignedFromBinding(
          status, input, path,
          SignedBounds{std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), name});
      if (status.ok()) target = static_cast<T>(value);
    } else {
      const uint64_t value = UnsignedFromBinding(
          status, input, path, UnsignedBounds{std::numeric_limits<T>::max(), name});
      if (status.ok()) target = static_cast<T>(value);
    }
  }
  static void Write(BindingResult& result, T source, const TypeInfo*, const BindingRegistry&) {
    result.SetValue(BindingProperty(source));
  }
  static void WriteInto(BindingResult&, BindingProperty& target, T source, const TypeInfo*,
                        const BindingRegistry&) {
    if constexpr (std::is_signed_v<T>) {
      target.SetSigned(static_cast<int64_t>(source));
    } else {
      target.SetUnsigned(static_cast<uint64_t>(source));
    }
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, T source, const TypeInfo*,
                        const BindingRegistry&, const EnumNameLookup*) {
    if constexpr (std::is_signed_v<T>) {
      out.i = static_cast<int64_t>(source);
      out.type = static_cast<uint32_t>(HostValueType::Signed);
    } else {
      out.u = static_cast<uint64_t>(source);
      out.type = static_cast<uint32_t>(HostValueType::Unsigned);
    }
    return source == 0;
  }
};

template <typename T>
  requires(std::is_same_v<T, float> || std::is_same_v<T, double>)
struct NativeType<T>
    : detail::PlainDescription<std::is_same_v<T, float> ? TypeCode::Float : TypeCode::Double> {
  static void Read(BindingResult& status, T& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo*, const BindingRegistry&) {
    const double value = FloatFromBinding(
        status, input, path, std::is_same_v<T, float> ? kFloatBounds : kDoubleBounds);
    if (status.ok()) target = static_cast<T>(value);
  }
  static void Write(BindingResult& result, T source, const TypeInfo*, const BindingRegistry&) {
    result.SetValue(BindingProperty(static_cast<double>(source)));
  }
  static void WriteInto(BindingResult&, BindingProperty& target, T source, const TypeInfo*,
                        const BindingRegistry&) {
    target.SetFloat(static_cast<double>(source));
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, T source, const TypeInfo*,
                        const BindingRegistry&, const EnumNameLookup*) {
    out.d = static_cast<double>(source);
    out.type = static_cast<uint32_t>(HostValueType::Double);
    return out.d == 0.0;
  }
};

template <>
struct NativeType<std::string> : detail::PlainDescription<TypeCode::String> {
  static void Read(BindingResult& status, std::string& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo*, const BindingRegistry& registry) {
    std::string value = TextFromBinding(status, input, path, registry);
    if (status.ok()) target = std::move(value);
  }
  static void Write(BindingResult& result, const std::string& source, const TypeInfo*,
                    const BindingRegistry&) {
    result.SetValue(BindingProperty(source));
  }
  static void WriteInto(BindingResult&, BindingProperty& target, const std::string& source,
                        const TypeInfo*, const BindingRegistry&) {
    target.SetString(source);
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, const std::string& source,
                        const TypeInfo*, const BindingRegistry&, const EnumNameLookup*) {
    detail::SetHostText(out, source);
    return source.empty();
  }
};

template <>
struct NativeType<BindingProperty> : detail::PlainDescription<TypeCode::Object> {
  static void Read(BindingResult& status, BindingProperty& target, const BindingProperty& input,
                   std::string_view, const TypeInfo*, const BindingRegistry&) {
    ObjectFromBinding(status, target, input);
  }
  static void Write(BindingResult& result, const BindingProperty& source, const TypeInfo*,
                    const BindingRegistry&) {
    result.SetValue(source);
  }
  static void WriteInto(BindingResult&, BindingProperty& target, const BindingProperty& source,
                        const TypeInfo*, const BindingRegistry&) {
    target = source;
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, const BindingProperty& source,
                        const TypeInfo*, const BindingRegistry&, const EnumNameLookup* enums) {
    ToHostValue(source, out, enums);
    return IsDefaultBindingValue(source);
  }
};

template <>
struct NativeType<std::vector<uint8_t>> : detail::PlainDescription<TypeCode::Blob> {
  static void Read(BindingResult& status, std::vector<uint8_t>& target,
                   const BindingProperty& input, std::string_view path, const TypeInfo*,
                   const BindingRegistry&) {
    std::vector<uint8_t> value = BlobFromBinding(status, input, path);
    if (status.ok()) target = std::move(value);
  }
  static void Write(BindingResult& result, const std::vector<uint8_t>& source, const TypeInfo*,
                    const BindingRegistry&) {
    result.SetValue(BindingProperty(std::span<const uint8_t>(source)));
  }
  static void WriteInto(BindingResult&, BindingProperty& target,
                        const std::vector<uint8_t>& source, const TypeInfo*,
                        const BindingRegistry&) {
    target.SetBlob(std::span<const uint8_t>(source));
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, const std::vector<uint8_t>& source,
                        const TypeInfo*, const BindingRegistry&, const EnumNameLookup*) {
    detail::SetHostBlob(out, source);
    return source.empty();
  }
};

template <typename E>
  requires std::is_enum_v<E>
struct NativeType<E> {
  static constexpr bool kOptional = false;
  static TypeDescriptor Describe(const BindingRegistry& registry) {
    return {TypeCode::Enum, TypeCode::None, registry.FindType(TypeIdentityOf<E>())};
  }
  static void Read(BindingResult& status, E& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo* info, const BindingRegistry&) {
    const int32_t value = EnumFromBinding(status, input, path, info);
    if (status.ok()) target = static_cast<E>(value);
  }
  static void Write(BindingResult& result, E source, const TypeInfo*, const BindingRegistry&) {
    result.SetValue(BindingProperty(BindingEnum{static_cast<int32_t>(source), &TypeIdentityOf<E>()}));
  }
  static void WriteInto(BindingResult&, BindingProperty& target, E source, const TypeInfo*,
                        const BindingRegistry&) {
    target.SetEnum(BindingEnum{static_cast<int32_t>(source), &TypeIdentityOf<E>()});
  }
  static bool WriteHost(BindingResult&, HostBindingValue& out, E source, const TypeInfo* info,
                        const BindingRegistry& registry, const EnumNameLookup* enums) {
    const auto value = static_cast<int32_t>(source);
    if (enums == static_cast<const EnumNameLookup*>(&registry) && info != nullptr && info->isEnum) {
      // The registry would find this very record by the enumeration's identity.
      if (const EnumValueRecord* record = info->FindValue(value)) {
        detail::SetHostText(out, record->name);
        return value == 0;
      }
    } else if (enums != nullptr) {
      if (std::optional<std::string_view> name = enums->NameOfEnumValue(value, &TypeIdentityOf<E>())) {
        detail::SetHostText(out, *name);
        return value == 0;
      }
    }
    out.i = value;
    out.type = static_cast<uint32_t>(HostValueType::Signed);
    return value == 0;
  }
};

template <detail::RecordType S>
struct NativeType<S> {
  static constexpr bool kOptional = false;
  static TypeDescriptor Describe(const BindingRegistry& registry) {
    return {TypeCode::Struct, TypeCode::None, registry.FindType(TypeIdentityOf<S>())};
  }
  static void Read(BindingResult& status, S& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo* info, const BindingRegistry& registry) {
    StructFromBinding(status, &target, input, path, info, registry);
  }
  static void Write(BindingResult& result, const S& source, const TypeInfo* info,
                    const BindingRegistry& registry) {
    StructToBinding(result, &source, info, registry);
  }
  static void WriteInto(BindingResult& status, BindingProperty& target, const S& source,
                        const TypeInfo* info, const BindingRegistry& registry) {
    StructToBindingInto(status, target, &source, info, registry);
  }
  static bool WriteHost(BindingResult& status, HostBindingValue& out, const S& source,
                        const TypeInfo* info, const BindingRegistry& registry,
                        const EnumNameLookup* enums) {
    return StructToHostInto(status, out, &source, info, registry, enums);
  }
};

template <typename T>
  requires(!std::is_same_v<T, uint8_t>)
struct NativeType<std::vector<T>> {
  static_assert(!detail::kIsContainer<T>, "a vector of vectors or maps cannot be described");
  static constexpr bool kOptional = false;
  static TypeDescriptor Describe(const BindingRegistry& registry) {
    const TypeDescriptor element = NativeType<T>::Describe(registry);
    return {TypeCode::Vector, element.code, element.info};
  }
  // Empty elements keep the default native element; the first failure stops the walk.
  static void Read(BindingResult& status, std::vector<T>& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo* info, const BindingRegistry& registry) {
    if (!status.ok()) return;
    target.clear();
    if (!CheckVectorInput(status, input, path)) return;
    const auto elements = input.Elements();
    target.resize(elements.size());
    for (std::size_t i = 0; i < elements.size() && status.ok(); ++i) {
      if (elements[i].IsEmpty()) continue;
      if constexpr (std::is_same_v<T, bool>) {
        bool element = false;  // std::vector<bool> hands out proxies, not references
        NativeType<bool>::Read(status, element, elements[i], path, info, registry);
        target[i] = element;
      } else {
        NativeType<T>::Read(status, target[i], elements[i], path, info, registry);
      }
    }
  }
  static void Write(BindingResult& result, const std::vector<T>& source, const TypeInfo* info,
                    const BindingRegistry& registry) {
    detail::WriteAsRoot<NativeType>(result, source, info, registry);
  }
  static void WriteInto(BindingResult& status, BindingProperty& target,
                        const std::vector<T>& source, const TypeInfo* info,
                        const BindingRegistry& registry) {
    target.Reset();
    target.MakeCollection();
    if (source.size() > kMaxCollectionElements) {
      status.SetFailure(ConversionMessage::kTooManyElements);
      return;
    }
    target.Reserve(source.size());
    for (const auto& element : source) {
      NativeType<T>::WriteInto(status, target.Append(), element, info, registry);
      if (!status.ok()) return;
    }
  }
  static bool WriteHost(BindingResult& status, HostBindingValue& out,
                        const std::vector<T>& source, const TypeInfo* info,
                        const BindingRegistry& registry, const EnumNameLookup* enums) {
    if (source.size() > kMaxCollectionElements) {
      status.SetFailure(ConversionMessage::kTooManyElements);
      return false;
    }
    HostBindingValue* items = detail::SetHostCollection(out, source.size());
    std::size_t i = 0;
    for (const auto& element : source) {
      NativeType<T>::WriteHost(status, items[i++], element, info, registry, enums);
      if (!status.ok()) return false;
    }
    return source.empty();
  }
};

template <typename T>
struct NativeType<std::map<std::string, T>> {
  static_assert(!detail::kIsContainer<T>, "a map of vectors or maps cannot be described");
  static constexpr bool kOptional = false;
  static TypeDescriptor Describe(const BindingRegistry& registry) {
    const TypeDescriptor element = NativeType<T>::Describe(registry);
    return {TypeCode::Map, element.code, element.info};
  }
  // Empty fields make no entry; the first failure stops the walk.
  static void Read(BindingResult& status, std::map<std::string, T>& target,
                   const BindingProperty& input, std::string_view path, const TypeInfo* info,
                   const BindingRegistry& registry) {
    if (!CheckMapInput(status, input, path)) return;
    target.clear();
    for (const BindingField& field : input.Fields()) {
      if (field.value().IsEmpty()) continue;
      T element{};
      NativeType<T>::Read(status, element, field.value(), path, info, registry);
      if (!status.ok()) return;
      target.insert_or_assign(std::string(field.name()), std::move(element));
    }
  }
  static void Write(BindingResult& result, const std::map<std::string, T>& source,
                    const TypeInfo* info, const BindingRegistry& registry) {
    detail::WriteAsRoot<NativeType>(result, source, info, registry);
  }
  static void WriteInto(BindingResult& status, BindingProperty& target,
                        const std::map<std::string, T>& source, const TypeInfo* info,
                        const BindingRegistry& registry) {
    target.Reset();
    target.MakeStructure();
    for (const auto& [key, element] : source) {
      NativeType<T>::WriteInto(status, target.MutableField(key), element, info, registry);
      if (!status.ok()) return;
    }
  }
  // The map's order is the tree's: std::string compares its bytes as unsigned.
  static bool WriteHost(BindingResult& status, HostBindingValue& out,
                        const std::map<std::string, T>& source, const TypeInfo* info,
                        const BindingRegistry& registry, const EnumNameLookup* enums) {
    HostStructEntry* entries = detail::SetHostStructure(out, source.size());
    std::size_t i = 0;
    for (const auto& [key, element] : source) {
      HostStructEntry& entry = entries[i++];
      entry.key = detail::CopyHostText(key);
      entry.keyOwned = 1;
      NativeType<T>::WriteHost(status, entry.value, element, info, registry, enums);
      if (!status.ok()) return false;
    }
    return source.empty();
  }
};

template <typename T>
struct NativeType<std::optional<T>> {
  static constexpr bool kOptional = true;
  static TypeDescriptor Describe(const BindingRegistry& registry) {
    return NativeType<T>::Describe(registry);
  }
  static void Read(BindingResult& status, std::optional<T>& target, const BindingProperty& input,
                   std::string_view path, const TypeInfo* info, const BindingRegistry& registry) {
    if (!status.ok()) return;
    if (input.IsEmpty()) {
      target.reset();
      return;
    }
    if (!target.has_value()) target.emplace();
    NativeType<T>::Read(status, *target, input, path, info, registry);
  }
  static void Write(BindingResult& result, const std::optional<T>& source, const TypeInfo* info,
                    const BindingRegistry& registry) {
    if (!source.has_value()) {
      result.SetValue(BindingProperty());
      return;
    }
    NativeType<T>::Write(result, *source, info, registry);
  }
  static void WriteInto(BindingResult& status, BindingProperty& target,
                        const std::optional<T>& source, const TypeInfo* info,
                        const BindingRegistry& registry) {
    if (!source.has_value()) {
      target.Reset();
      return;
    }
    NativeType<T>::WriteInto(status, target, *source, info, registry);
  }
  static bool WriteHost(BindingResult& status, HostBindingValue& out,
                        const std::optional<T>& source, const TypeInfo* info,
                        const BindingRegistry& registry, const EnumNameLookup* enums) {
    if (!source.has_value()) return true;
    return NativeType<T>::WriteHost(status, out, *source, info, registry, enums);
  }
};

// The converter of T for a field record or a function parameter.
template <typename T>
class TypedConverter final : public BindingConverter {
 public:
  void FromBinding(BindingResult& status, void* target, const BindingProperty& input,
                   std::string_view path, const TypeInfo* info,
                   const BindingRegistry& registry) const override {
    NativeType<T>::Read(status, *static_cast<T*>(target), input, path, info, registry);
  }
  void ToBinding(BindingResult& result, const void* source, const TypeInfo* info,
                 const BindingRegistry& registry) const override {
    NativeType<T>::Write(result, *static_cast<const T*>(source), info, registry);
  }
  void ToBindingInto(BindingResult& status, BindingProperty& target, const void* source,
                     const TypeInfo* info, const BindingRegistry& registry) const override {
    NativeType<T>::WriteInto(status, target, *static_cast<const T*>(source), info, registry);
  }
  bool ToHostInto(BindingResult& status, HostBindingValue& out, const void* source,
                  const TypeInfo* info, const BindingRegistry& registry,
                  const EnumNameLookup* enums) const override {
    return NativeType<T>::WriteHost(status, out, *static_cast<const T*>(source), info, registry,
                                    enums);
  }
};

template <typename T>
std::unique_ptr<const BindingConverter> MakeConverter() {
  return std::make_unique<TypedConverter<T>>();
}

template <typename T>
TypeDescriptor DescribeNativeType(const BindingRegistry& registry) {
  return NativeType<T>::Describe(registry);
}

// Converts a native value; fails only for an unregistered structure (or one inside it).
template <typename T>
[[nodiscard]] BindingResult ToBinding(const T& value, const BindingRegistry& registry) {
  BindingResult result = BindingResult::Ok();
  NativeType<T>::Write(result, value, NativeType<T>::Describe(registry).info, registry);
  return result;
}

// Writes a native value into `out` in the host form, as ToHostValue would write the value
// ToBinding makes; like ToHostValue it overwrites `out` without releasing it. A failure
// (the same as ToBinding's) leaves `out` Empty; so does an exception (std::bad_alloc,
// std::length_error), which is passed on.
template <typename T>
void ToHostValueFromNative(BindingResult& status, HostBindingValue& out, const T& value,
                           const BindingRegistry& registry, const EnumNameLookup* enums) {
  std::memset(static_cast<void*>(&out), 0, sizeof out);
  try {
    NativeType<T>::WriteHost(status, out, value, NativeType<T>::Describe(registry).info, registry,
                             enums);
  } catch (...) {
    ReleaseHostValue(out);
    throw;
  }
  if (!status.ok()) ReleaseHostValue(out);
}

// Converts `input` into `target` under `status` (first failure wins across several calls).
template <typename T>
void FromBindingInto(BindingResult& status, T& target, const BindingProperty& input,
                     std::string_view path, const BindingRegistry& registry) {
  NativeType<T>::Read(status, target, input, path, NativeType<T>::Describe(registry).info,
                      registry);
}

// Converts `input` into a default-constructed T; `path` names it in failure messages.
template <typename T>
[[nodiscard]] MaybeType<Failure, T> FromBinding(const BindingProperty& input,
                                                std::string_view path,
                                                const BindingRegistry& registry) {
  BindingResult status = BindingResult::Ok();
  T value{};
  FromBindingInto(status, value, input, path, registry);
  if (!status.ok()) return MaybeType<Failure, T>::FromFailure(status.message());
  return MaybeType<Failure, T>(std::move(value));
}

}  // namespace Vela
