#include "binding/binding_property.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "binding/binding_context.h"
#include "binding/internal/integer_text.h"
#include "binding/internal/property_tree.h"
#include "util/allocation.h"
#include "util/base64.h"

namespace Vela {

namespace {

using detail::BlobNode;
using detail::CollectionNode;
using detail::CompareNames;
using detail::PropertyTree;
using detail::StructureNode;

const BindingProperty kStaticEmpty;

bool IsContainer(BindingKind kind) noexcept {
  return kind == BindingKind::Collection || kind == BindingKind::Structure;
}

}  // namespace

// --- Lifetime ---

BindingProperty::~BindingProperty() {
  if (ownsContext_ != 0 && context_ != nullptr) {
    // Every node lives in the context, which goes as a whole: no walk of the tree unless a
    // taken-over vector needs its destructor.
    if (context_->HasAdoptedBlobs()) {
      Reset();
    }
    BindingContext::Destroy(context_);
    return;
  }
  Reset();
}

BindingProperty::BindingProperty(const BindingProperty& other) {
  try {
    PropertyTree::DeepCopy(other, *this);
  } catch (...) {
    // No destructor runs for an object whose constructor threw.
    BindingContext::Destroy(context_);
    throw;
  }
}

BindingProperty::BindingProperty(BindingProperty&& other) {
  if (other.ownsContext_ != 0) {
    value_ = other.value_;
    context_ = other.context_;
    kind_ = other.kind_;
    other.value_.u = 0;
    other.context_ = nullptr;
    other.kind_ = BindingKind::Empty;
    return;
  }
  // A value inside a tree: copied into this value's own context.
  PropertyTree::DeepCopy(other, *this);
  other.Reset();
}

BindingProperty& BindingProperty::operator=(const BindingProperty& other) {
  if (this == &other) {
    return *this;
  }
  if (other.kind_ <= BindingKind::Float) {
    // Read before the reset: `other` may lie inside this value.
    Payload payload = other.value_;
    BindingKind kind = other.kind_;
    Reset();
    value_ = payload;
    kind_ = kind;
    return *this;
  }
  if (context_ != nullptr && context_ == other.context_) {
    // One tree: either value may lie inside the other.
    PropertyTree::CopyWithinTree(other, *this);
    return *this;
  }
  Reset();
  PropertyTree::DeepCopy(other, *this);
  return *this;
}

BindingProperty& BindingProperty::operator=(BindingProperty&& other) {
  if (this == &other) {
    return *this;
  }
  if (ownsContext_ != 0 && other.ownsContext_ != 0) {
    std::swap(value_, other.value_);
    std::swap(context_, other.context_);
    std::swap(kind_, other.kind_);
    other.Reset();
    return *this;
  }
  if (context_ != nullptr && context_ == other.context_) {
    // One tree: the payload moves over as it is, unless this value lies inside the one
    // being moved, which then takes this value down with it.
    if (IsContainer(other.kind_) && PropertyTree::TreeContains(other, this)) {
      other.Reset();
      return *this;
    }
    Payload payload = other.value_;
    BindingKind kind = other.kind_;
    other.value_.u = 0;
    other.kind_ = BindingKind::Empty;
    Reset();
    value_ = payload;
    kind_ = kind;
    return *this;
  }
  Reset();
  PropertyTree::DeepCopy(other, *this);
  other.Reset();
  return *this;
}

void BindingProperty::Assign(BindingProperty&& value) { *this = std::move(value); }

BindingContext& BindingProperty::EnsureContext() {
  if (context_ == nullptr) {
    context_ = BindingContext::Create();
  }
  return *context_;
}

void BindingProperty::Reset() noexcept {
  switch (kind_) {
    case BindingKind::Empty:
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
      break;
    case BindingKind::String:
      context_->Release(PropertyTree::TextOf(*this));
      break;
    case BindingKind::Blob:
      PropertyTree::FreeBlob(*context_, &PropertyTree::BlobOf(*this));
      break;
    case BindingKind::Enum:
      context_->FreeNode(value_.node, sizeof(BindingEnum));
      break;
    case BindingKind::Collection:
    case BindingKind::Structure:
      PropertyTree::DestroyTree(*context_, *this);
      break;
  }
  kind_ = BindingKind::Empty;
  value_.u = 0;
}

// --- Setters ---

void BindingProperty::SetBool(bool value) noexcept {
  Reset();
  value_.b = value;
  kind_ = BindingKind::Bool;
}

void BindingProperty::SetSigned(int64_t value) noexcept {
  Reset();
  value_.i = value;
  kind_ = BindingKind::Signed;
}

void BindingProperty::SetUnsigned(uint64_t value) noexcept {
  Reset();
  value_.u = value;
  kind_ = BindingKind::Unsigned;
}

void BindingProperty::SetFloat(double value) noexcept {
  Reset();
  value_.d = value;
  kind_ = BindingKind::Float;
}

void BindingProperty::SetString(std::string_view text) {
  BindingContext& context = EnsureContext();
  // Interned before the reset: `text` may be this value's own text.
  const InternedText* entry = context.Intern(text);
  Reset();
  value_.node = const_cast<InternedText*>(entry);
  kind_ = BindingKind::String;
}

void BindingProperty::SetBlob(std::span<const uint8_t> bytes) {
  BindingContext& context = EnsureContext();
  uint8_t* data = nullptr;
  if (!bytes.empty()) {
    data = static_cast<uint8_t*>(context.AllocateNode(bytes.size()));
    std::memcpy(data, bytes.data(), bytes.size());
  }
  void* node;
  try {
    node = context.AllocateNode(sizeof(BlobNode));
  } catch (...) {
    if (data != nullptr) {
      context.FreeNode(data, bytes.size());
    }
    throw;
  }
  new (node) BlobNode{data, bytes.size(), {}};
  Reset();  // after the copy: `bytes` may be this value's own blob
  value_.node = node;
  kind_ = BindingKind::Blob;
}

void BindingProperty::SetBlob(std::vector<uint8_t>&& bytes) {
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(BlobNode));
  auto* blob = new (node) BlobNode{nullptr, 0, {}};
  if (!bytes.empty()) {
    blob->adopted = std::move(bytes);
    blob->data = blob->adopted.data();
    blob->size = blob->adopted.size();
    context.NoteAdoptedBlob(true);
  }
  Reset();
  value_.node = node;
  kind_ = BindingKind::Blob;
}

void BindingProperty::SetEnum(BindingEnum value) {
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(BindingEnum));
  new (node) BindingEnum(value);
  Reset();
  value_.node = node;
  kind_ = BindingKind::Enum;
}

BindingProperty& BindingProperty::MakeStructure() {
  if (kind_ == BindingKind::Structure) {
    return *this;
  }
  Reset();
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(StructureNode));
  auto* structure = new (node) StructureNode{nullptr, 0, 0, {}};
  structure->context = &context;
  value_.node = node;
  kind_ = BindingKind::Structure;
  return *this;
}

BindingProperty& BindingProperty::MakeCollection() {
  if (kind_ == BindingKind::Collection) {
    return *this;
  }
  Reset();
  BindingContext& context = EnsureContext();
  void* node = context.AllocateNode(sizeof(CollectionNode));
  new (node) CollectionNode{nullptr, 0, 0, 0};
  value_.node = node;
  kind_ = BindingKind::Collection;
  return *this;
}

// --- Reads ---

bool BindingProperty::AsBool() const noexcept {
  switch (kind_) {
    case BindingKind::Empty:
      return false;
    case BindingKind::Bool:
      return value_.b;
    case BindingKind::Signed:
    case BindingKind::Unsigned:
      return value_.u != 0;
    case BindingKind::Float:
      return value_.d != 0.0;  // NaN reads true
    case BindingKind::String: {
      std::string_view text = PropertyTree::TextOf(*this)->view();
      return text == "true" || text == "1";
    }
    case BindingKind::Enum:
      return PropertyTree::EnumOf(*this).value != 0;
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return size() != 0;
  }
  return false;
}

namespace {

using detail::kTwoPow63;
using detail::kTwoPow64;

// Truncation toward zero; NaN reads 0 and values beyond the range saturate, where a plain
// conversion would be undefined.
int64_t FloatToSigned(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= kTwoPow63) {
    return std::numeric_limits<int64_t>::max();
  }
  if (value < -kTwoPow63) {
    return std::numeric_limits<int64_t>::min();
  }
  return static_cast<int64_t>(value);
}

// At or above 2^63 by subtracting 2^63 and setting the top bit; a negative value wraps as
// its signed truncation does; NaN reads 0 and values from 2^64 saturate.
uint64_t FloatToUnsigned(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= kTwoPow64) {
    return std::numeric_limits<uint64_t>::max();
  }
  if (value >= kTwoPow63) {
    return static_cast<uint64_t>(static_cast<int64_t>(value - kTwoPow63)) | (uint64_t{1} << 63);
  }
  return static_cast<uint64_t>(FloatToSigned(value));
}

// AsSigned and AsUnsigned: the same reads, 64 bits reinterpreted between the two, but for
// how a Float and a String become the integer.
template <typename Integer>
Integer CoerceToInteger(const BindingProperty& value, Integer fallback) noexcept {
  switch (value.kind()) {
    case BindingKind::Bool:
      return value.GetBoolOr(false) ? 1 : 0;
    case BindingKind::Signed:
      return static_cast<Integer>(value.GetSignedOr(0));
    case BindingKind::Unsigned:
      return static_cast<Integer>(value.GetUnsignedOr(0));
    case BindingKind::Float:
      if constexpr (std::is_signed_v<Integer>) {
        return FloatToSigned(value.GetFloatOr(0.0));
      } else {
        return FloatToUnsigned(value.GetFloatOr(0.0));
      }
    case BindingKind::String:
      // Interned texts end with a zero, as the parse needs.
      return detail::ParseIntegerText<Integer>(value.GetStringOr({}).data(), nullptr);
    case BindingKind::Enum:
      // Sign-extended first, so that -3 reads as 2^64-3 unsigned.
      return static_cast<Integer>(int64_t{value.GetEnumOr({}).value});
    case BindingKind::Empty:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return fallback;
  }
  return fallback;
}

}  // namespace

int64_t BindingProperty::AsSigned(int64_t fallback) const noexcept {
  return CoerceToInteger(*this, fallback);
}

uint64_t BindingProperty::AsUnsigned(uint64_t fallback) const noexcept {
  return CoerceToInteger(*this, fallback);
}

std::string BindingProperty::AsText() const {
  switch (kind_) {
    case BindingKind::Empty:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return {};
    case BindingKind::Bool:
      return value_.b ? "true" : "false";
    case BindingKind::Signed:
      return std::to_string(value_.i);
    case BindingKind::Unsigned:
      return std::to_string(value_.u);
    case BindingKind::Float: {
      // "%f" of a large double runs to hundreds of digits: measure first.
      int length = std::snprintf(nullptr, 0, "%f", value_.d);
      if (length <= 0) {
        return {};
      }
      std::string text(static_cast<std::size_t>(length), '\0');
      std::snprintf(text.data(), text.size() + 1, "%f", value_.d);
      return text;
    }
    case BindingKind::String:
      return std::string(PropertyTree::TextOf(*this)->view());
    case BindingKind::Blob: {
      const BlobNode& blob = PropertyTree::BlobOf(*this);
      return Base64Encode(blob.data, blob.size);
    }
    case BindingKind::Enum:
      return std::to_string(PropertyTree::EnumOf(*this).value);
  }
  return {};
}

// --- Structures ---

const BindingProperty& BindingProperty::FieldOrEmpty(std::string_view name) const noexcept {
  if (kind_ != BindingKind::Structure) {
    return kStaticEmpty;
  }
  const BindingField* field = PropertyTree::FindField(PropertyTree::StructureOf(*this), name);
  return field != nullptr ? field->value_ : kStaticEmpty;
}

BindingProperty& BindingProperty::MutableField(std::string_view name) {
  MakeStructure();
  StructureNode& node = PropertyTree::StructureOf(*this);
  uint32_t index;
  if (node.size == 0 || CompareNames(node.fields[node.size - 1].name_->view(), name) < 0) {
    index = node.size;  // names arriving in order go to the end without a search
  } else {
    index = PropertyTree::FirstFieldNotBelow(node, name);
    if (index < node.size && node.fields[index].name_->view() == name) {
      return node.fields[index].value_;
    }
  }
  if (node.size >= kMaxCollectionElements) {
    throw std::length_error("structure too large");
  }
  const InternedText* entry = context_->Intern(name);
  return PropertyTree::InsertEmptyField(node, index, entry, context_).value_;
}

bool BindingProperty::RemoveField(std::string_view name) {
  if (kind_ != BindingKind::Structure) {
    return false;
  }
  StructureNode& node = PropertyTree::StructureOf(*this);
  BindingField* field = PropertyTree::FindField(node, name);
  if (field == nullptr) {
    return false;
  }
  field->value_.Reset();
  context_->Release(field->name_);
  const std::size_t after = static_cast<std::size_t>(node.fields + node.size - field) - 1;
  std::memmove(static_cast<void*>(field), static_cast<const void*>(field + 1),
               after * sizeof(BindingField));
  --node.size;
  return true;
}

// --- Collections ---

const BindingProperty& BindingProperty::ElementOrEmpty(std::size_t index) const noexcept {
  if (kind_ != BindingKind::Collection) {
    return kStaticEmpty;
  }
  const CollectionNode& node = PropertyTree::CollectionOf(*this);
  return index < node.size ? node.items[index] : kStaticEmpty;
}

BindingProperty& BindingProperty::MutableElement(std::size_t index) {
  MakeCollection();
  if (index < PropertyTree::CollectionOf(*this).size) {
    return PropertyTree::CollectionOf(*this).items[index];
  }
  if (index >= kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  CollectionNode& node = PropertyTree::OwnCollectionNode(*this);
  PropertyTree::GrowElements(*context_, node, index + 1);
  for (std::size_t i = node.size; i <= index; ++i) {
    PropertyTree::ConstructBorrowedEmpty(node.items + i, context_);
  }
  node.size = static_cast<uint32_t>(index + 1);
  return node.items[index];
}

void BindingProperty::Reserve(std::size_t elements) {
  if (elements > kMaxCollectionElements) {
    throw std::length_error("collection too long");
  }
  if (kind_ == BindingKind::Collection && elements > PropertyTree::CollectionOf(*this).capacity) {
    PropertyTree::ReserveElementsExactly(*context_, PropertyTree::OwnCollectionNode(*this),
                                         elements);
  }
}

bool operator==(const BindingProperty& a, const BindingProperty& b) {
  return &a == &b || PropertyTree::DeepEqual(a, b);
}

static_assert(sizeof(void*) != 8 || sizeof(BindingProperty) == 24);
static_assert(sizeof(void*) != 4 || sizeof(BindingProperty) == 16);

}  // namespace Vela
