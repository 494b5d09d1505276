// BindingProperty: the one dynamic value that crosses every boundary of the plugin.
//
// A value is a tree: scalars at the leaves, collections (ordered lists) and structures
// (fields ordered by unsigned byte-wise comparison of their names) inside. All nodes of a
// tree share one BindingContext that pools small nodes and interns strings; the root owns
// it, every element and field borrows it.
//
//   Vela::BindingProperty doc;
//   doc.MutableField("name") = "Ashe";
//   doc.MutableField("games").Append() = int64_t{3};
//   std::string_view name = doc.FieldOrEmpty("name").GetStringOr("?");
//
// Reads named ...Or never fail and return the default unless the kind matches exactly;
// As... reads coerce. FieldOrEmpty / ElementOrEmpty never create anything; MutableField /
// MutableElement / Append create what is missing.
//
// How it fails. Reads never fail. Whatever allocates may throw std::bad_alloc, and every
// write that would take a Collection or Structure past kMaxCollectionElements throws
// std::length_error, leaving the value as it was: these are the limits of memory, not
// failures of the data, so they travel as exceptions to the entry from the host, which
// turns every exception into an answer or a log line (none crosses the C boundary).
// Readers of what a sender controls (the native converters, the JSON and MessagePack
// readers) check sizes against the limit first and answer a failure value instead.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "binding/binding_kind.h"
#include "binding/internal/binding_nodes.h"
#include "binding/internal/interned_text.h"

namespace Vela {

class BindingContext;
class BindingField;
struct TypeIdentity;
namespace detail {
class TreeAssembler;
struct PropertyTree;
}

// The payload of an Enum value: the number and its enumeration's identity record.
struct BindingEnum {
  int32_t value = 0;
  const TypeIdentity* type = nullptr;

  friend bool operator==(const BindingEnum&, const BindingEnum&) = default;
};

// Collections never grow past this many elements, nor Structures past this many fields.
inline constexpr std::size_t kMaxCollectionElements = 0x0FFFFFFF;

class BindingProperty {
 public:
  BindingProperty() noexcept = default;
  ~BindingProperty();

  BindingProperty(const BindingProperty& other);             // deep copy
  // The moves take a root's tree over without allocating, but a value inside a tree can
  // only be copied out of it, which may throw std::bad_alloc: hence no noexcept.
  BindingProperty(BindingProperty&& other);
  BindingProperty& operator=(const BindingProperty& other);  // deep copy; self does nothing
  BindingProperty& operator=(BindingProperty&& other);

  // Scalars. Integer types map by signedness; bool stays Bool.
  BindingProperty(bool value) noexcept { SetBool(value); }
  template <std::signed_integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  BindingProperty(T value) noexcept {
    SetSigned(static_cast<int64_t>(value));
  }
  template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>)
  BindingProperty(T value) noexcept {
    SetUnsigned(static_cast<uint64_t>(value));
  }
  BindingProperty(double value) noexcept { SetFloat(value); }
  BindingProperty(const char* text) { SetString(text == nullptr ? std::string_view{} : text); }
  BindingProperty(std::string_view text) { SetString(text); }
  BindingProperty(const std::string& text) { SetString(text); }
  BindingProperty(std::vector<uint8_t>&& bytes) { SetBlob(std::move(bytes)); }
  BindingProperty(std::span<const uint8_t> bytes) { SetBlob(bytes); }
  BindingProperty(BindingEnum value) { SetEnum(value); }
  // Any other pointer would silently become a bool.
  template <typename T>
  BindingProperty(T*) = delete;
  BindingProperty(std::nullptr_t) = delete;

  template <typename T>
    requires std::is_constructible_v<BindingProperty, T&&> &&
             (!std::same_as<std::remove_cvref_t<T>, BindingProperty>)
  BindingProperty& operator=(T&& value) {
    // Straight to the setter: no temporary tree (and context) for a scalar or a text.
    using Plain = std::remove_cvref_t<T>;
    if constexpr (std::same_as<Plain, bool>) {
      SetBool(value);
    } else if constexpr (std::integral<Plain> && std::is_signed_v<Plain>) {
      SetSigned(static_cast<int64_t>(value));
    } else if constexpr (std::integral<Plain>) {
      SetUnsigned(static_cast<uint64_t>(value));
    } else if constexpr (std::floating_point<Plain>) {
      SetFloat(static_cast<double>(value));
    } else if constexpr (std::is_array_v<Plain> &&
                         std::same_as<std::remove_cv_t<std::remove_extent_t<Plain>>, char>) {
      // A literal is never null; reads up to its first NUL like any C text.
      SetString(std::string_view(static_cast<const char*>(value)));
    } else if constexpr (std::same_as<std::decay_t<Plain>, const char*> ||
                         std::same_as<std::decay_t<Plain>, char*>) {
      SetString(value == nullptr ? std::string_view{} : std::string_view(value));
    } else if constexpr (std::is_convertible_v<T&&, std::string_view>) {
      SetString(std::string_view(value));
    } else if constexpr (std::same_as<Plain, BindingEnum>) {
      SetEnum(value);
    } else if constexpr (std::same_as<Plain, std::vector<uint8_t>> && std::is_rvalue_reference_v<T&&>) {
      SetBlob(std::move(value));
    } else if constexpr (std::is_convertible_v<T&&, std::span<const uint8_t>>) {
      SetBlob(std::span<const uint8_t>(value));
    } else {
      Assign(BindingProperty(std::forward<T>(value)));
    }
    return *this;
  }

  // --- Setters: each resets the value first, releasing what it held. ---
  void SetBool(bool value) noexcept;
  void SetSigned(int64_t value) noexcept;
  void SetUnsigned(uint64_t value) noexcept;
  void SetFloat(double value) noexcept;
  void SetString(std::string_view text);  // interned in this tree's context
  void SetBlob(std::span<const uint8_t> bytes);
  void SetBlob(std::vector<uint8_t>&& bytes);  // taken over without copying
  void SetEnum(BindingEnum value);

  // Turns the value into an empty Structure / Collection unless it already is one.
  BindingProperty& MakeStructure();
  BindingProperty& MakeCollection();

  // Releases the payload; the value becomes Empty. A root keeps its context.
  void Reset() noexcept;

  // --- Accessors that never fail. ---
  BindingKind kind() const noexcept { return kind_; }
  bool IsEmpty() const noexcept { return kind_ == BindingKind::Empty; }
  // Empty 0; String bytes; Blob bytes; Collection elements; Structure fields; else 1.
  std::size_t size() const noexcept;

  // Exact-kind reads: the payload when the kind matches, otherwise the default.
  bool GetBoolOr(bool fallback) const noexcept;
  int64_t GetSignedOr(int64_t fallback) const noexcept;
  uint64_t GetUnsignedOr(uint64_t fallback) const noexcept;
  double GetFloatOr(double fallback) const noexcept;
  // The view lives as long as this value is not changed.
  std::string_view GetStringOr(std::string_view fallback) const noexcept;
  std::span<const uint8_t> GetBlobOr(std::span<const uint8_t> fallback) const noexcept;
  BindingEnum GetEnumOr(BindingEnum fallback) const noexcept;

  // Coercing reads, for callers that read loosely. None fails: what does not convert gives
  // false, `fallback` or the empty text as stated.
  //
  // AsBool: Empty false; Bool itself; Signed, Unsigned and Enum true unless 0; Float true
  // unless == 0.0 (NaN reads true); String true exactly for "true" and "1" (case and
  // white space count: "TRUE", " 1" are false); Blob, Collection and Structure true unless
  // empty.
  bool AsBool() const noexcept;
  // AsSigned: Bool 0 or 1; Signed as is; Unsigned its 64 bits reinterpreted (2^64-1 reads
  // -1); Float truncated toward zero, saturating outside int64 and NaN reading 0; Enum its
  // value; String by strtoll in base 0, so "0x1F" is 31 and "017" is octal 15, leading
  // white space is skipped, trailing text ignored ("42abc" is 42), no number reads 0 and
  // one beyond int64 saturates; Empty, Blob, Collection and Structure read `fallback`.
  int64_t AsSigned(int64_t fallback = 0) const noexcept;
  // AsUnsigned: as AsSigned, with these differences: Signed and Enum reinterpreted as
  // 64 bits (-2 reads 2^64-2); a Float at or above 2^63 converts by subtracting 2^63 and
  // setting the top bit, saturates from 2^64, and below 0 wraps as its signed truncation
  // does; String by strtoull in base 0, which negates after a minus sign ("-12" reads
  // 2^64-12) and saturates beyond uint64.
  uint64_t AsUnsigned(uint64_t fallback = 0) const noexcept;
  // AsText: Empty, Collection and Structure the empty text; Bool "true" / "false"; Signed,
  // Unsigned and Enum in decimal; Float by "%f" (1.5 is "1.500000", every digit of a
  // large one); String itself; Blob in standard Base64 with "=" padding. Throws only
  // std::bad_alloc.
  std::string AsText() const;

  // Structure fields in name order; empty for any other kind.
  std::span<const BindingField> Fields() const noexcept;
  std::span<BindingField> MutableFields() noexcept;
  bool HasFields() const noexcept;
  // Read: a shared static Empty value when this is no Structure or has no such field.
  const BindingProperty& FieldOrEmpty(std::string_view name) const noexcept;
  // Write: makes this a Structure if needed and inserts an Empty field when absent.
  // Throws std::length_error when a new field would pass kMaxCollectionElements fields.
  BindingProperty& MutableField(std::string_view name);
  // Removes a field; false when there was none.
  bool RemoveField(std::string_view name);

  // Collection elements in order; empty for any other kind.
  std::span<const BindingProperty> Elements() const noexcept;
  std::span<BindingProperty> MutableElements() noexcept;
  // Read: a shared static Empty value unless this is a Collection and index < size().
  const BindingProperty& ElementOrEmpty(std::size_t index) const noexcept;
  // Write: makes this a Collection if needed and appends Empty elements up to `index`.
  // Throws std::length_error when `index` is kMaxCollectionElements or more.
  BindingProperty& MutableElement(std::size_t index);
  BindingProperty& Append() { return MutableElement(size_of_collection()); }
  // On a Collection, reserves room for `elements` (any other kind: nothing to do).
  // Throws std::length_error past kMaxCollectionElements, as MutableElement would.
  void Reserve(std::size_t elements);

  // Deep, kind-exact equality (fields by name, elements in order; Float by ==). Its work
  // stack spills to the heap on deep trees: std::bad_alloc when no memory is left.
  friend bool operator==(const BindingProperty& a, const BindingProperty& b);

  // The tree's context; null until the first node was allocated.
  const BindingContext* context() const noexcept { return context_; }
  bool ownsContext() const noexcept { return ownsContext_ != 0; }

 private:
  friend class BindingContext;
  friend class BindingField;
  friend struct detail::PropertyTree;
  friend class detail::TreeAssembler;

  void Assign(BindingProperty&& value);
  std::size_t size_of_collection() const noexcept;
  BindingContext& EnsureContext();

  // Bool, integers and double in place; the node of kinds String..Structure otherwise.
  union Payload {
    bool b;
    int64_t i;
    uint64_t u;
    double d;
    void* node;
  } value_{.u = 0};
  BindingContext* context_ = nullptr;
  BindingKind kind_ = BindingKind::Empty;
  uint8_t ownsContext_ = 1;
};

// A field of a Structure: its interned name and its value.
class BindingField {
 public:
  BindingField() = default;
  BindingField(const BindingField&) = default;  // the copy's name stays a view into the tree
  // Assigning a field would replace its name behind the map's order and reference counts.
  BindingField& operator=(const BindingField&) = delete;

  std::string_view name() const noexcept;
  const BindingProperty& value() const noexcept { return value_; }
  BindingProperty& value() noexcept { return value_; }

 private:
  friend class BindingProperty;
  friend struct detail::PropertyTree;
  friend class detail::TreeAssembler;
  const InternedText* name_ = nullptr;
  BindingProperty value_;
};

// --- The reads every walk makes, inline. ---

inline std::size_t BindingProperty::size() const noexcept {
  switch (kind_) {
    case BindingKind::Empty:
      return 0;
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
    case BindingKind::Enum:
      return 1;
    case BindingKind::String:
      return static_cast<const InternedText*>(value_.node)->length;
    case BindingKind::Blob:
      return static_cast<const detail::BlobNode*>(value_.node)->size;
    case BindingKind::Collection:
      return static_cast<const detail::CollectionNode*>(value_.node)->size;
    case BindingKind::Structure:
      return static_cast<const detail::StructureNode*>(value_.node)->size;
  }
  return 0;
}

inline bool BindingProperty::GetBoolOr(bool fallback) const noexcept {
  return kind_ == BindingKind::Bool ? value_.b : fallback;
}

inline int64_t BindingProperty::GetSignedOr(int64_t fallback) const noexcept {
  return kind_ == BindingKind::Signed ? value_.i : fallback;
}

inline uint64_t BindingProperty::GetUnsignedOr(uint64_t fallback) const noexcept {
  return kind_ == BindingKind::Unsigned ? value_.u : fallback;
}

inline double BindingProperty::GetFloatOr(double fallback) const noexcept {
  return kind_ == BindingKind::Float ? value_.d : fallback;
}

inline std::string_view BindingProperty::GetStringOr(std::string_view fallback) const noexcept {
  return kind_ == BindingKind::String ? static_cast<const InternedText*>(value_.node)->view()
                                      : fallback;
}

inline std::span<const uint8_t> BindingProperty::GetBlobOr(
    std::span<const uint8_t> fallback) const noexcept {
  if (kind_ != BindingKind::Blob) {
    return fallback;
  }
  const auto* blob = static_cast<const detail::BlobNode*>(value_.node);
  return {blob->data, blob->size};
}

inline BindingEnum BindingProperty::GetEnumOr(BindingEnum fallback) const noexcept {
  return kind_ == BindingKind::Enum ? *static_cast<const BindingEnum*>(value_.node) : fallback;
}

inline std::span<const BindingField> BindingProperty::Fields() const noexcept {
  if (kind_ != BindingKind::Structure) {
    return {};
  }
  const auto* node = static_cast<const detail::StructureNode*>(value_.node);
  return {node->fields, node->size};
}

inline std::span<BindingField> BindingProperty::MutableFields() noexcept {
  if (kind_ != BindingKind::Structure) {
    return {};
  }
  auto* node = static_cast<detail::StructureNode*>(value_.node);
  return {node->fields, node->size};
}

inline bool BindingProperty::HasFields() const noexcept {
  return kind_ == BindingKind::Structure &&
         static_cast<const detail::StructureNode*>(value_.node)->size != 0;
}

inline std::span<const BindingProperty> BindingProperty::Elements() const noexcept {
  if (kind_ != BindingKind::Collection) {
    return {};
  }
  const auto* node = static_cast<const detail::CollectionNode*>(value_.node);
  return {node->items, node->size};
}

inline std::span<BindingProperty> BindingProperty::MutableElements() noexcept {
  if (kind_ != BindingKind::Collection) {
    return {};
  }
  auto* node = static_cast<detail::CollectionNode*>(value_.node);
  return {node->items, node->size};
}

inline std::size_t BindingProperty::size_of_collection() const noexcept {
  return kind_ == BindingKind::Collection
             ? static_cast<const detail::CollectionNode*>(value_.node)->size
             : 0;
}

inline std::string_view BindingField::name() const noexcept { return name_->view(); }

}  // namespace Vela
