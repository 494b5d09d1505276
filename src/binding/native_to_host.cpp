#include "binding/native_to_host.h"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "binding/binding_converter.h"
#include "binding/binding_conversions.h"
#include "binding/host_value_arena.h"
#include "binding/host_value_conversion.h"
#include "binding/internal/host_value_parts.h"
#include "binding/type_info.h"
#include "util/allocation.h"

namespace Vela {
namespace {

// Through a tree of its own: for converters and records the direct writer cannot mirror.
template <typename BuildTree>
bool ToHostThroughTree(BindingResult& status, HostBindingValue& out, const EnumNameLookup* enums,
                       BuildTree buildTree) {
  BindingProperty tree;
  buildTree(tree);
  if (!status.ok()) return false;
  ToHostValue(tree, out, enums);
  return IsDefaultBindingValue(tree);
}

}  // namespace

bool BindingConverter::ToHostInto(BindingResult& status, HostBindingValue& out,
                                  const void* source, const TypeInfo* info,
                                  const BindingRegistry& registry,
                                  const EnumNameLookup* enums) const {
  return ToHostThroughTree(status, out, enums, [&](BindingProperty& tree) {
    ToBindingInto(status, tree, source, info, registry);
  });
}

bool StructToHostInto(BindingResult& status, HostBindingValue& out, const void* source,
                      const TypeInfo* structure, const BindingRegistry& registry,
                      const EnumNameLookup* enums) {
  if (structure == nullptr || structure->isEnum) {
    status.SetFailure(ConversionMessage::kUnregisteredNativeStructure);
    return false;
  }
  const auto& fields = structure->fields;
  // Two records of one name overwrite each other in the tree; without ranks the order is
  // unknown. Both are rare enough to take the tree's way.
  if (structure->repeatedFieldNames || structure->fieldRanks.size() != fields.size()) {
    return ToHostThroughTree(status, out, enums, [&](BindingProperty& tree) {
      StructToBindingInto(status, tree, source, structure, registry);
    });
  }
  // Each field is written at its rank, in registration order (so the first failure is the
  // tree's); the slots of fields that make no entry are closed up afterwards.
  HostStructEntry* entries = detail::SetHostStructure(out, fields.size());
  const auto* base = static_cast<const unsigned char*>(source);
  bool gaps = false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldRecord& field = fields[i];
    if (field.converter == nullptr) {
      gaps = true;
      continue;
    }
    HostStructEntry& entry = entries[structure->fieldRanks[i]];
    const bool isDefault = field.converter->ToHostInto(status, entry.value, base + field.offset,
                                                       field.type.info, registry, enums);
    if (!status.ok()) return false;
    if (isDefault && (field.flags & kFieldSkipDefaultOnOutput) != 0) {
      ReleaseHostValue(entry.value);
      gaps = true;
      continue;
    }
    entry.key = detail::CopyHostText(field.name);
    entry.keyOwned = 1;
  }
  if (gaps) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < out.obj.len; ++i) {
      if (entries[i].keyOwned != 0) entries[kept++] = entries[i];
    }
    out.obj.len = kept;
    if (kept == 0) {
      if (HostValueArena::Current() == nullptr) Free(entries);  // else it goes with the arena
      out.obj.ptr = nullptr;
    }
  }
  return out.obj.len == 0;
}

}  // namespace Vela
