// RegisterStruct / RegisterEnum: declarative registration of native records, one short
// statement per field or value; each field's converter and type descriptor follow from
// the member's type (native_type.h).
//
//   RegisterStruct<BanNotification>(registry, "BanNotification")
//       .Field("id", &BanNotification::id)
//       .Field("source", &BanNotification::source)
//       .RequiredField("reason", &BanNotification::reason)
//       .Description("A ban of the player's account.");
//   RegisterEnum<PhaseEnum>(registry, "PhaseEnum")
//       .Value("None", PhaseEnum::None)
//       .Value("Running", PhaseEnum::Running);
//
// The type needs a StaticType name (VELA_STATIC_TYPE) and a default constructor. A
// structure or enumeration used by a field is registered before the field is added.
// Registering a name again keeps the first registration and ignores the whole statement.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

#include "binding/binding_registry.h"
#include "binding/native_type.h"
#include "binding/type_identity_of.h"

namespace Vela {

namespace detail {

// The member's byte offset, measured on a real object: offsetof needs a member name, and
// a member pointer applied to a null or fake object is undefined behaviour.
template <typename S, typename M>
uint32_t MemberOffset(M S::*member) {
  const S probe{};
  const auto* base = reinterpret_cast<const unsigned char*>(std::addressof(probe));
  const auto* field = reinterpret_cast<const unsigned char*>(std::addressof(probe.*member));
  return static_cast<uint32_t>(field - base);
}

}  // namespace detail

template <typename S>
class StructBuilder {
 public:
  StructBuilder(BindingRegistry& registry, TypeBuilder builder)
      : registry_(registry), builder_(builder) {}

  template <typename M>
  StructBuilder& Field(std::string_view name, M S::*member, std::string_view description = {},
                       uint32_t flags = kFieldNoFlags) {
    if (builder_.alreadyRegistered()) return *this;
    FieldDefinition field;
    field.name = name;
    field.description = description;
    field.offset = detail::MemberOffset(member);
    field.typeIdentity = &TypeIdentityOf<M>();
    field.type = NativeType<M>::Describe(registry_);
    field.flags = flags;
    field.converter = MakeConverter<M>();
    field.optional = NativeType<M>::kOptional;
    builder_.AddField(std::move(field));
    return *this;
  }

  // Missing or Empty on input is a failure naming the field.
  template <typename M>
  StructBuilder& RequiredField(std::string_view name, M S::*member,
                               std::string_view description = {}) {
    return Field(name, member, description, kFieldRequiredOnInput);
  }

  // Left out of the output when its value is its default (0, false, empty).
  template <typename M>
  StructBuilder& FieldSkippedWhenDefault(std::string_view name, M S::*member,
                                         std::string_view description = {}) {
    return Field(name, member, description, kFieldSkipDefaultOnOutput);
  }

  StructBuilder& Description(std::string_view text) {
    builder_.SetDescription(text);
    return *this;
  }
  StructBuilder& NameSpace(std::string_view text) {
    builder_.SetNameSpace(text);
    return *this;
  }
  StructBuilder& Tag(std::string_view tag) {
    builder_.AddTag(tag);
    return *this;
  }

  const TypeBuilder& builder() const noexcept { return builder_; }
  const TypeInfo* info() const noexcept { return builder_.info(); }

 private:
  BindingRegistry& registry_;
  TypeBuilder builder_;
};

template <typename E>
class EnumBuilder {
 public:
  explicit EnumBuilder(TypeBuilder builder) : builder_(builder) {}

  EnumBuilder& Value(std::string_view name, E value, std::string_view description = {}) {
    builder_.AddValue(name, static_cast<int32_t>(value), description);
    return *this;
  }
  EnumBuilder& Description(std::string_view text) {
    builder_.SetDescription(text);
    return *this;
  }
  EnumBuilder& NameSpace(std::string_view text) {
    builder_.SetNameSpace(text);
    return *this;
  }
  EnumBuilder& Tag(std::string_view tag) {
    builder_.AddTag(tag);
    return *this;
  }

  const TypeBuilder& builder() const noexcept { return builder_; }
  const TypeInfo* info() const noexcept { return builder_.info(); }

 private:
  TypeBuilder builder_;
};

template <detail::RecordType S>
StructBuilder<S> RegisterStruct(BindingRegistry& registry, std::string_view name) {
  static_assert(std::is_default_constructible_v<S>,
                "registered structures are default-constructible");
  TypeBuilder builder = registry.RegisterType(name, static_cast<uint32_t>(sizeof(S)),
                                              TypeIdentityOf<S>(), /*isEnum=*/false);
  return StructBuilder<S>(registry, builder);
}

template <typename E>
  requires std::is_enum_v<E>
EnumBuilder<E> RegisterEnum(BindingRegistry& registry, std::string_view name) {
  TypeBuilder builder = registry.RegisterType(name, static_cast<uint32_t>(sizeof(E)),
                                              TypeIdentityOf<E>(), /*isEnum=*/true);
  return EnumBuilder<E>(builder);
}

}  // namespace Vela
