// TypeIdentityOf<T>(): the one static identity record of a native type, the registry's key.
//
// The identifier is fixed at build time: by default the 32-bit FNV-1a hash of the type's
// StaticType name, so it is the same in every build and distinct for distinct names (the
// registry refuses a second type whose identifier collides). Types whose identifier is
// published declare it instead:
//
//   VELA_STATIC_TYPE_WITH_ID(Vela::Plugin::PluginManagerState, 0xF4E3B901);
//
// The record's name is the identifier in "#%08X" form, e.g. "#F4E3B901".
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "binding/static_type.h"
#include "binding/type_identity.h"
#include "util/fnv1a.h"

namespace Vela {

// Specialised by VELA_STATIC_TYPE_WITH_ID for types with a published identifier.
template <typename T>
struct TypeIdentifier {
  static constexpr uint32_t id = Fnv1a32(StaticType<T>::name);
};

namespace detail {

constexpr std::array<char, 10> IdentityNameOf(uint32_t id) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::array<char, 10> name{};
  name[0] = '#';
  for (int i = 0; i < 8; ++i) name[1 + i] = kHexDigits[(id >> (28 - 4 * i)) & 0xFu];
  name[9] = '\0';
  return name;
}

template <typename T>
struct IdentityRecord {
  static constexpr uint32_t kId = TypeIdentifier<T>::id;
  static constexpr std::array<char, 10> kName = IdentityNameOf(kId);
  static constexpr TypeIdentity kIdentity{kId, kName.data()};
};

}  // namespace detail

template <typename T>
constexpr const TypeIdentity& TypeIdentityOf() noexcept {
  return detail::IdentityRecord<std::remove_cv_t<T>>::kIdentity;
}

}  // namespace Vela

// Declares a type's name (as VELA_STATIC_TYPE) and its published identifier. Use at
// global scope.
#define VELA_STATIC_TYPE_WITH_ID(QualifiedName, Identifier) \
  VELA_STATIC_TYPE(QualifiedName);                          \
  namespace Vela {                                          \
  template <>                                               \
  struct TypeIdentifier<::QualifiedName> {                  \
    static constexpr uint32_t id = (Identifier);            \
  };                                                        \
  }                                                         \
  static_assert(true, "")
