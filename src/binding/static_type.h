// StaticType<T>: the printable, fully qualified name of a native type, for messages and
// trace points ("Vela::Client::PlayerBehavior::Api::BanNotification").
//
// Native types of the framework are named here. A record type declares its name once, at
// global scope, right after its definition; the macro spells the name from the very tokens
// that name the type, so the text cannot drift from the code:
//
//   namespace Vela::Client::PlayerBehavior::Api { struct BanNotification { ... }; }
//   VELA_STATIC_TYPE(Vela::Client::PlayerBehavior::Api::BanNotification);
//
// The compiler's own function signatures are not used: GCC, Clang and MSVC spell class
// keys, integer widths and standard containers differently, and the name also seeds the
// type's registry identifier (type_identity_of.h), which must be the same in every build.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Vela {

class BindingProperty;

// Undefined for a type that has not declared its name: using it is a compile error.
template <typename T>
struct StaticType;

// The name of T; a NUL-terminated text with static storage.
template <typename T>
constexpr std::string_view StaticTypeName() noexcept {
  return StaticType<std::remove_cv_t<T>>::name;
}

namespace detail {

// Joins texts at compile time into one NUL-terminated static text.
template <const std::string_view&... Parts>
struct JoinedName {
  static constexpr std::size_t kSize = (Parts.size() + ... + 0);
  static constexpr std::array<char, kSize + 1> kText = [] {
    std::array<char, kSize + 1> out{};
    std::size_t at = 0;
    for (std::string_view part : {Parts...}) {
      for (char c : part) out[at++] = c;
    }
    return out;
  }();
  static constexpr std::string_view value{kText.data(), kSize};
};

inline constexpr std::string_view kVectorPrefix = "std::vector<";
inline constexpr std::string_view kMapPrefix = "std::map<std::string, ";
inline constexpr std::string_view kOptionalPrefix = "std::optional<";
inline constexpr std::string_view kTemplateEnd = ">";

template <std::size_t Bits, bool Signed>
struct IntegerName;
template <> struct IntegerName<8, true> { static constexpr std::string_view name = "int8_t"; };
template <> struct IntegerName<8, false> { static constexpr std::string_view name = "uint8_t"; };
template <> struct IntegerName<16, true> { static constexpr std::string_view name = "int16_t"; };
template <> struct IntegerName<16, false> { static constexpr std::string_view name = "uint16_t"; };
template <> struct IntegerName<32, true> { static constexpr std::string_view name = "int32_t"; };
template <> struct IntegerName<32, false> { static constexpr std::string_view name = "uint32_t"; };
template <> struct IntegerName<64, true> { static constexpr std::string_view name = "int64_t"; };
template <> struct IntegerName<64, false> { static constexpr std::string_view name = "uint64_t"; };

}  // namespace detail

template <>
struct StaticType<bool> {
  static constexpr std::string_view name = "bool";
};

// Integers are named by width, so `long` and `long long` of 64 bits share "int64_t" on
// every platform.
template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
struct StaticType<T> {
  static constexpr std::string_view name =
      detail::IntegerName<sizeof(T) * 8, std::is_signed_v<T>>::name;
};

template <>
struct StaticType<float> {
  static constexpr std::string_view name = "float";
};

template <>
struct StaticType<double> {
  static constexpr std::string_view name = "double";
};

template <>
struct StaticType<std::string> {
  static constexpr std::string_view name = "std::string";
};

template <>
struct StaticType<BindingProperty> {
  static constexpr std::string_view name = "Vela::BindingProperty";
};

template <typename T>
struct StaticType<std::vector<T>> {
  static constexpr std::string_view name =
      detail::JoinedName<detail::kVectorPrefix, StaticType<T>::name, detail::kTemplateEnd>::value;
};

template <typename T>
struct StaticType<std::map<std::string, T>> {
  static constexpr std::string_view name =
      detail::JoinedName<detail::kMapPrefix, StaticType<T>::name, detail::kTemplateEnd>::value;
};

template <typename T>
struct StaticType<std::optional<T>> {
  static constexpr std::string_view name =
      detail::JoinedName<detail::kOptionalPrefix, StaticType<T>::name,
                         detail::kTemplateEnd>::value;
};

}  // namespace Vela

// Declares the name of a record or enumeration type. Use at global scope, with the type's
// fully qualified name written without a leading "::".
#define VELA_STATIC_TYPE(QualifiedName)                                 \
  namespace Vela {                                                      \
  template <>                                                           \
  struct StaticType<::QualifiedName> {                                  \
    static constexpr std::string_view name = #QualifiedName;            \
  };                                                                    \
  }                                                                     \
  static_assert(true, "")
