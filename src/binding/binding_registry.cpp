#include "binding/binding_registry.h"

#include <algorithm>
#include <utility>

#include "binding/binding_async_types.h"
#include "binding/binding_help_types.h"

namespace Vela {

TypeBuilder& TypeBuilder::AddField(FieldDefinition field) {
  TypeInfo* info = editable();
  if (info == nullptr) return *this;
  FieldRecord record;
  record.name = std::string(field.name);
  record.nameHash = Fnv1a32(field.name);
  record.description = std::string(field.description);
  record.typeIdentity = field.typeIdentity;
  record.offset = field.offset;
  record.type = field.type;
  record.elementType = field.elementType;
  record.flags = field.flags;
  record.converter = std::move(field.converter);
  record.owner = info;
  record.optional = field.optional;
  std::lock_guard lock(registry_->mutex_);
  // A later field of an equal name goes after the earlier one. Ranks are kept only while
  // every field has one (writers fall back to sorting otherwise).
  if (info->fieldRanks.size() == info->fields.size()) {
    uint32_t rank = 0;
    for (std::size_t i = 0; i < info->fields.size(); ++i) {
      const int order = info->fields[i].name.compare(record.name);
      if (order == 0) info->repeatedFieldNames = true;
      if (order <= 0) {
        ++rank;
      } else {
        ++info->fieldRanks[i];
      }
    }
    info->fieldRanks.push_back(rank);
  }
  info->fields.push_back(std::move(record));
  return *this;
}

TypeBuilder& TypeBuilder::AddValue(std::string_view name, int32_t value,
                                   std::string_view description) {
  TypeInfo* info = editable();
  if (info == nullptr) return *this;
  EnumValueRecord record{value, std::string(name), std::string(description), registry_};
  std::lock_guard lock(registry_->mutex_);
  info->values.insert_or_assign(std::string(name), std::move(record));
  return *this;
}

TypeBuilder& TypeBuilder::SetDescription(std::string_view text) {
  if (TypeInfo* info = editable()) {
    std::lock_guard lock(registry_->mutex_);
    info->description = std::string(text);
  }
  return *this;
}

TypeBuilder& TypeBuilder::SetNameSpace(std::string_view text) {
  if (TypeInfo* info = editable()) {
    std::lock_guard lock(registry_->mutex_);
    info->nameSpace = std::string(text);
  }
  return *this;
}

TypeBuilder& TypeBuilder::AddTag(std::string_view tag) {
  TypeInfo* info = editable();
  if (info == nullptr || tag.empty()) return *this;
  std::lock_guard lock(registry_->mutex_);
  info->tags.emplace_back(tag);
  return *this;
}

EventBuilder& EventBuilder::SetDescription(std::string_view text) {
  if (EventInfo* info = editable()) {
    std::lock_guard lock(registry_->mutex_);
    info->description = std::string(text);
  }
  return *this;
}

EventBuilder& EventBuilder::SetNameSpace(std::string_view text) {
  if (EventInfo* info = editable()) {
    std::lock_guard lock(registry_->mutex_);
    info->nameSpace = std::string(text);
  }
  return *this;
}

EventBuilder& EventBuilder::AddTag(std::string_view tag) {
  EventInfo* info = editable();
  if (info == nullptr || tag.empty()) return *this;
  std::lock_guard lock(registry_->mutex_);
  info->tags.emplace_back(tag);
  return *this;
}

std::size_t BindingRegistry::IdentifierHash::operator()(uint32_t identifier) const noexcept {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(identifier),
      static_cast<unsigned char>(identifier >> 8),
      static_cast<unsigned char>(identifier >> 16),
      static_cast<unsigned char>(identifier >> 24),
  };
  return Fnv1a32(bytes, sizeof bytes);
}

BindingRegistry::BindingRegistry() = default;
BindingRegistry::~BindingRegistry() = default;

TypeBuilder BindingRegistry::RegisterType(std::string_view name, uint32_t size,
                                          const TypeIdentity& identity, bool isEnum) {
  std::lock_guard lock(mutex_);
  if (auto existing = byName_.find(name); existing != byName_.end()) {
    return TypeBuilder(this, existing->second, TypeBuilder::Outcome::AlreadyRegistered);
  }
  // Two types under one identifier would make conversions of the second one use the
  // first one's fields; refuse the second.
  if (byIdentifier_.contains(identity.id)) {
    return TypeBuilder(this, nullptr, TypeBuilder::Outcome::IdentifierTaken);
  }
  auto info = std::make_unique<TypeInfo>();
  info->size = size;
  info->isEnum = isEnum;
  info->name = std::string(name);
  info->identifier = identity.id;
  info->identity = &identity;
  info->registry = this;
  if (!builtInsRegistering_) info->tags = moduleTags_;
  TypeInfo* raw = info.get();
  types_.push_back(std::move(info));
  byName_.emplace(raw->name, raw);
  byIdentifier_.emplace(raw->identifier, raw);
  return TypeBuilder(this, raw, TypeBuilder::Outcome::Created);
}

const TypeInfo* BindingRegistry::FindType(uint32_t identifier) const {
  std::lock_guard lock(mutex_);
  auto found = byIdentifier_.find(identifier);
  return found == byIdentifier_.end() ? nullptr : found->second;
}

const TypeInfo* BindingRegistry::FindTypeByName(std::string_view name) const {
  std::lock_guard lock(mutex_);
  auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : found->second;
}

std::optional<uint32_t> BindingRegistry::IdentifierOf(std::string_view name) const {
  const TypeInfo* info = FindTypeByName(name);
  if (info == nullptr) return std::nullopt;
  return info->identifier;
}

TypeDescriptor BindingRegistry::DescriptorOf(const TypeIdentity& identity) const {
  const TypeInfo* info = FindType(identity);
  if (info == nullptr) return {};
  return {info->isEnum ? TypeCode::Enum : TypeCode::Struct, TypeCode::None, info};
}

std::optional<std::string_view> BindingRegistry::NameOfEnumValue(int32_t value,
                                                                 const TypeIdentity* type) const {
  if (type == nullptr) return std::nullopt;
  const TypeInfo* info = FindType(*type);
  if (info == nullptr || !info->isEnum) return std::nullopt;
  const EnumValueRecord* record = info->FindValue(value);
  if (record == nullptr) return std::nullopt;
  return std::string_view(record->name);
}

bool BindingRegistry::IsEnumValue(int32_t value, const TypeIdentity& type) const {
  const TypeInfo* info = FindType(type);
  return info != nullptr && info->isEnum && info->HasValue(value);
}

std::vector<const TypeInfo*> BindingRegistry::Types() const {
  std::lock_guard lock(mutex_);
  std::vector<const TypeInfo*> types;
  types.reserve(types_.size());
  for (const auto& info : types_) types.push_back(info.get());
  return types;
}

void BindingRegistry::RemoveAllTypes() {
  std::lock_guard lock(mutex_);
  byName_.clear();
  byIdentifier_.clear();
  types_.clear();
}

EventBuilder BindingRegistry::RegisterEvent(std::string_view name,
                                            const TypeIdentity& payloadType) {
  std::lock_guard lock(mutex_);
  if (auto existing = eventsByName_.find(name); existing != eventsByName_.end()) {
    return EventBuilder(this, existing->second, /*created=*/false);
  }
  auto info = std::make_unique<EventInfo>();
  info->name = std::string(name);
  info->payloadType = &payloadType;
  info->registry = this;
  EventInfo* raw = info.get();
  events_.push_back(std::move(info));
  eventsByName_.emplace(raw->name, raw);
  return EventBuilder(this, raw, /*created=*/true);
}

void BindingRegistry::UnregisterEvent(std::string_view name) {
  std::lock_guard lock(mutex_);
  const auto found = eventsByName_.find(name);
  if (found == eventsByName_.end()) return;
  const EventInfo* record = found->second;
  eventsByName_.erase(found);
  std::erase_if(events_, [record](const auto& event) { return event.get() == record; });
}

const EventInfo* BindingRegistry::FindEvent(std::string_view name) const {
  std::lock_guard lock(mutex_);
  const auto found = eventsByName_.find(name);
  return found == eventsByName_.end() ? nullptr : found->second;
}

std::vector<const EventInfo*> BindingRegistry::Events() const {
  std::lock_guard lock(mutex_);
  std::vector<const EventInfo*> events;
  events.reserve(events_.size());
  for (const auto& event : events_) events.push_back(event.get());
  return events;
}

void BindingRegistry::RemoveAllEvents() {
  std::lock_guard lock(mutex_);
  eventsByName_.clear();
  events_.clear();
}

void BindingRegistry::Initialise() {
  if (initialised()) {
    RemoveAllEvents();
    RemoveAllTypes();
  }
  {
    std::lock_guard lock(mutex_);
    builtInsRegistering_ = true;
  }
  RegisterHelpTypes(*this);
  RegisterAsyncTypes(*this);
  std::lock_guard lock(mutex_);
  builtInsRegistering_ = false;
  initialised_ = true;
}

void BindingRegistry::SetModuleTags(std::vector<std::string> tags) {
  std::lock_guard lock(mutex_);
  moduleTags_ = std::move(tags);
}

bool BindingRegistry::initialised() const {
  std::lock_guard lock(mutex_);
  return initialised_;
}

}  // namespace Vela
