#include "binding/host_value_conversion.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "binding/enum_name_lookup.h"
#include "binding/host_value_arena.h"
#include "binding/internal/host_value_parts.h"
#include "binding/internal/work_stack.h"
#include "util/allocation.h"
#include "util/format_text.h"

namespace Vela {

namespace detail {
namespace {

void* AllocateOrThrow(std::size_t bytes) {
  if (HostValueArena* arena = HostValueArena::Current()) return arena->Carve(bytes);
  void* block = Allocate(bytes);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

}  // namespace

uint32_t HostLength(std::size_t length) {
  if (length > std::numeric_limits<uint32_t>::max()) {
    throw std::length_error("value too large for the host form");
  }
  return static_cast<uint32_t>(length);
}

char* CopyHostText(std::string_view text) {
  auto* copy = static_cast<char*>(AllocateOrThrow(text.size() + 1));
  if (!text.empty()) {
    std::memcpy(copy, text.data(), text.size());
  }
  copy[text.size()] = '\0';
  return copy;
}

void SetHostText(HostBindingValue& out, std::string_view text) {
  uint32_t length = HostLength(text.size());
  out.str.ptr = CopyHostText(text);
  out.str.len = length;
  out.type = static_cast<uint32_t>(HostValueType::StringOwned);
}

void SetHostBlob(HostBindingValue& out, std::span<const uint8_t> bytes) {
  uint32_t length = HostLength(bytes.size());
  uint8_t* copy = nullptr;
  if (!bytes.empty()) {
    copy = static_cast<uint8_t*>(AllocateOrThrow(bytes.size()));
    std::memcpy(copy, bytes.data(), bytes.size());
  }
  out.blob.ptr = copy;
  out.blob.len = length;
  out.type = static_cast<uint32_t>(HostValueType::BlobOwned);
}

HostBindingValue* SetHostCollection(HostBindingValue& out, std::size_t count) {
  uint32_t length = HostLength(count);
  HostBindingValue* items = nullptr;
  if (length != 0) {
    items = static_cast<HostBindingValue*>(AllocateOrThrow(count * sizeof(HostBindingValue)));
    std::memset(static_cast<void*>(items), 0, count * sizeof(HostBindingValue));
  }
  out.col.ptr = items;
  out.col.len = length;
  out.type = static_cast<uint32_t>(HostValueType::Collection);
  return items;
}

HostStructEntry* SetHostStructure(HostBindingValue& out, std::size_t count) {
  uint32_t length = HostLength(count);
  HostStructEntry* entries = nullptr;
  if (length != 0) {
    entries = static_cast<HostStructEntry*>(AllocateOrThrow(count * sizeof(HostStructEntry)));
    std::memset(static_cast<void*>(entries), 0, count * sizeof(HostStructEntry));
  }
  out.obj.ptr = entries;
  out.obj.len = length;
  out.type = static_cast<uint32_t>(HostValueType::Structure);
  return entries;
}

}  // namespace detail

namespace {

using detail::CopyHostText;
using detail::SetHostText;

void SetEmpty(HostBindingValue& value) noexcept {
  std::memset(static_cast<void*>(&value), 0, sizeof value);
}

struct ToHostItem {
  const BindingProperty* source;
  HostBindingValue* target;
};

// Converts one value into the Empty `out`; the children of a container are set Empty first
// (so that a partly built value can always be released) and queued.
void ConvertToHost(const BindingProperty& value, HostBindingValue& out,
                   const EnumNameLookup* enums, detail::WorkStack<ToHostItem>& queue) {
  switch (value.kind()) {
    case BindingKind::Empty:
      return;
    case BindingKind::Bool:
      out.b = value.GetBoolOr(false) ? 1 : 0;
      out.type = static_cast<uint32_t>(HostValueType::Bool);
      return;
    case BindingKind::Signed:
      out.i = value.GetSignedOr(0);
      out.type = static_cast<uint32_t>(HostValueType::Signed);
      return;
    case BindingKind::Unsigned:
      out.u = value.GetUnsignedOr(0);
      out.type = static_cast<uint32_t>(HostValueType::Unsigned);
      return;
    case BindingKind::Float:
      out.d = value.GetFloatOr(0.0);
      out.type = static_cast<uint32_t>(HostValueType::Double);
      return;
    case BindingKind::String:
      SetHostText(out, value.GetStringOr({}));
      return;
    case BindingKind::Blob:
      detail::SetHostBlob(out, value.GetBlobOr({}));
      return;
    case BindingKind::Enum: {
      BindingEnum pair = value.GetEnumOr({});
      if (enums != nullptr) {
        if (std::optional<std::string_view> name = enums->NameOfEnumValue(pair.value, pair.type)) {
          SetHostText(out, *name);
          return;
        }
      }
      out.i = pair.value;
      out.type = static_cast<uint32_t>(HostValueType::Signed);
      return;
    }
    case BindingKind::Collection: {
      std::span<const BindingProperty> elements = value.Elements();
      HostBindingValue* items = detail::SetHostCollection(out, elements.size());
      const uint32_t count = out.col.len;
      for (uint32_t i = count; i-- != 0;) {
        queue.push({&elements[i], &items[i]});
      }
      return;
    }
    case BindingKind::Structure: {
      std::span<const BindingField> fields = value.Fields();
      HostStructEntry* entries = detail::SetHostStructure(out, fields.size());
      const uint32_t count = out.obj.len;
      for (uint32_t i = 0; i < count; ++i) {
        entries[i].key = CopyHostText(fields[i].name());
        entries[i].keyOwned = 1;
      }
      for (uint32_t i = count; i-- != 0;) {
        queue.push({&fields[i].value(), &entries[i].value});
      }
      return;
    }
  }
}

struct FromHostItem {
  const HostBindingValue* source;
  BindingProperty* target;
};

std::string_view KeyOf(const HostStructEntry& entry) noexcept {
  return entry.key == nullptr ? std::string_view{} : std::string_view(entry.key);
}

// Converts one host value into `target`; false for an unknown type code. A null pointer
// reads as no data, whatever length comes with it.
bool ConvertFromHost(const HostBindingValue& value, BindingProperty& target,
                     detail::WorkStack<FromHostItem>& queue) {
  switch (value.type) {
    case static_cast<uint32_t>(HostValueType::Empty):
      target.Reset();
      return true;
    case static_cast<uint32_t>(HostValueType::Bool):
      target.SetBool(value.b != 0);
      return true;
    case static_cast<uint32_t>(HostValueType::Signed):
      target.SetSigned(value.i);
      return true;
    case static_cast<uint32_t>(HostValueType::Unsigned):
      target.SetUnsigned(value.u);
      return true;
    case static_cast<uint32_t>(HostValueType::Double):
      target.SetFloat(value.d);
      return true;
    case static_cast<uint32_t>(HostValueType::StringBorrowed):
    case static_cast<uint32_t>(HostValueType::StringOwned):
      target.SetString(value.str.ptr == nullptr ? std::string_view{}
                                                : std::string_view(value.str.ptr, value.str.len));
      return true;
    case static_cast<uint32_t>(HostValueType::BlobBorrowed):
    case static_cast<uint32_t>(HostValueType::BlobOwned):
      target.SetBlob(value.blob.ptr == nullptr
                         ? std::span<const uint8_t>{}
                         : std::span<const uint8_t>(value.blob.ptr, value.blob.len));
      return true;
    case static_cast<uint32_t>(HostValueType::Collection): {
      const uint32_t count = value.col.ptr == nullptr ? 0 : value.col.len;
      target.Reset();  // a repeated key may have left a collection here
      target.MakeCollection();
      if (count == 0) {
        return true;
      }
      target.Reserve(count);
      target.MutableElement(count - 1);
      std::span<BindingProperty> elements = target.MutableElements();
      for (uint32_t i = count; i-- != 0;) {
        queue.push({&value.col.ptr[i], &elements[i]});
      }
      return true;
    }
    case static_cast<uint32_t>(HostValueType::Structure): {
      const uint32_t count = value.obj.ptr == nullptr ? 0 : value.obj.len;
      target.Reset();
      target.MakeStructure();
      // All names first: inserting moves the fields, so their addresses are taken after.
      for (uint32_t i = 0; i < count; ++i) {
        target.MutableField(KeyOf(value.obj.ptr[i]));
      }
      // Queued last-first: entries convert in order and a repeated key keeps the last value.
      for (uint32_t i = count; i-- != 0;) {
        queue.push({&value.obj.ptr[i].value, &target.MutableField(KeyOf(value.obj.ptr[i]))});
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

std::string_view HostValueTypeName(uint32_t type) {
  switch (type) {
    case 1:
      return "bool";
    case 2:
      return "signed";
    case 3:
      return "unsigned";
    case 4:
      return "float";
    case 5:
    case 6:
      return "string";
    case 7:
    case 8:
      return "blob";
    case 9:
      return "collection";
    case 10:
      return "structure";
    default:
      return {};
  }
}

void ToHostValue(const BindingProperty& value, HostBindingValue& out, const EnumNameLookup* enums) {
  SetEmpty(out);
  try {
    detail::WorkStack<ToHostItem> queue;
    ConvertToHost(value, out, enums, queue);
    while (!queue.empty()) {
      ToHostItem item = queue.pop();
      ConvertToHost(*item.source, *item.target, enums, queue);
    }
  } catch (...) {
    ReleaseHostValue(out);
    throw;
  }
}

BindingResult FromHostValue(const HostBindingValue& value, std::string_view path) {
  BindingResult result = BindingResult::Ok();
  detail::WorkStack<FromHostItem> queue;
  FromHostItem item{&value, &result.value()};
  for (;;) {
    if (!ConvertFromHost(*item.source, *item.target, queue)) {
      result.SetFailure(
          FormatText(kHostValueIncompatibleMessage, path, HostValueTypeName(item.source->type)));
      return result;
    }
    if (queue.empty()) {
      return result;
    }
    item = queue.pop();
  }
}

void ReleaseHostValue(HostBindingValue& value) {
  if (HostValueArena::Current() != nullptr) {
    // Being written in an arena: its blocks go with the arena.
    SetEmpty(value);
    return;
  }
  // Containers wait on the stack as copies, so each array is freed as soon as it was read.
  detail::WorkStack<HostBindingValue> pending;
  auto release = [&pending](const HostBindingValue& item) {
    switch (item.type) {
      case static_cast<uint32_t>(HostValueType::StringOwned):
        Free(const_cast<char*>(item.str.ptr));
        return;
      case static_cast<uint32_t>(HostValueType::BlobOwned):
        Free(const_cast<uint8_t*>(item.blob.ptr));
        return;
      case static_cast<uint32_t>(HostValueType::Collection):
      case static_cast<uint32_t>(HostValueType::Structure):
        pending.push(item);
        return;
      default:
        return;  // 0 to 5 and 7 own nothing
    }
  };
  release(value);
  SetEmpty(value);
  while (!pending.empty()) {
    HostBindingValue container = pending.pop();
    if (container.type == static_cast<uint32_t>(HostValueType::Collection)) {
      for (uint32_t i = 0; container.col.ptr != nullptr && i < container.col.len; ++i) {
        release(container.col.ptr[i]);
      }
      Free(container.col.ptr);
    } else {
      for (uint32_t i = 0; container.obj.ptr != nullptr && i < container.obj.len; ++i) {
        HostStructEntry& entry = container.obj.ptr[i];
        if (entry.keyOwned != 0) {
          Free(const_cast<char*>(entry.key));
        }
        release(entry.value);
      }
      Free(container.obj.ptr);
    }
  }
}

void StoreResultInHostRecord(HostResultHead& head, const BindingResult& result,
                             const EnumNameLookup* enums) {
  if (result.ok()) {
    ToHostValue(result.value(), head.value, enums);
    head.error = nullptr;
    head.errorOwned = 0;
    return;
  }
  SetEmpty(head.value);
  head.error = DuplicateText(std::string(result.message()).c_str());
  head.errorOwned = head.error != nullptr ? 1 : 0;
}

}  // namespace Vela
