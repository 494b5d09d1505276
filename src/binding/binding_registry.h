// BindingRegistry: the registry of the module's native structures and enumerations, keyed
// by type identifier and by name. Conversions (binding_conversions.h, native_type.h) look
// the TypeInfo of a structure or enumeration up here; help describes what it holds.
//
//   BindingRegistry registry;
//   TypeBuilder phase = registry.RegisterType("PhaseEnum", sizeof(PhaseEnum),
//                                             TypeIdentityOf<PhaseEnum>(), /*isEnum=*/true);
//   phase.AddValue("None", 0).AddValue("Running", 1);
//
// Most code registers through RegisterStruct / RegisterEnum (native_type_builder.h), which
// fill the field records from member pointers.
//
// The registry also keeps the module's events (event_info.h), and Initialise() fills it
// with the built-in help, asynchronous and callback types and the "OnCallback" event
// (binding_help_types.h, binding_async_types.h) before the module registers its own.
//
// Registering a name twice keeps the first registration: the second builder is inert. A
// name whose identifier is already taken by another type is refused the same way. Index
// updates and lookups lock the registry's mutex; TypeInfo records are not changed after
// start-up and are read without it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "binding/binding_converter.h"
#include "binding/enum_name_lookup.h"
#include "binding/event_info.h"
#include "binding/type_descriptor.h"
#include "binding/type_identity.h"
#include "binding/type_info.h"
#include "util/fnv1a.h"

namespace Vela {

// Everything a field record is made of; the converter is handed over to the record.
struct FieldDefinition {
  std::string_view name;
  std::string_view description;
  uint32_t offset = 0;
  const TypeIdentity* typeIdentity = nullptr;
  TypeDescriptor type;
  TypeDescriptor elementType;
  uint32_t flags = kFieldNoFlags;
  std::unique_ptr<const BindingConverter> converter;
  bool optional = false;
};

class TypeBuilder {
 public:
  enum class Outcome {
    Created,
    AlreadyRegistered,  // the name was taken: the builder is inert
    IdentifierTaken,    // another name holds the identifier: nothing was registered
  };

  Outcome outcome() const noexcept { return outcome_; }
  bool alreadyRegistered() const noexcept { return outcome_ != Outcome::Created; }
  // The registered record: the new one, or the existing one of that name; null when the
  // identifier was taken.
  const TypeInfo* info() const noexcept { return info_; }

  // Appends a field record.
  TypeBuilder& AddField(FieldDefinition field);
  // Inserts or replaces the value record of that name.
  TypeBuilder& AddValue(std::string_view name, int32_t value, std::string_view description = {});
  TypeBuilder& SetDescription(std::string_view text);
  TypeBuilder& SetNameSpace(std::string_view text);
  // Appends a tag; an empty tag is ignored.
  TypeBuilder& AddTag(std::string_view tag);

 private:
  friend class BindingRegistry;
  TypeBuilder(BindingRegistry* registry, TypeInfo* info, Outcome outcome)
      : registry_(registry), info_(info), outcome_(outcome) {}
  TypeInfo* editable() const noexcept { return outcome_ == Outcome::Created ? info_ : nullptr; }

  BindingRegistry* registry_;
  TypeInfo* info_;
  Outcome outcome_;
};

// The builder of one event record; inert when the name was already registered.
class EventBuilder {
 public:
  bool alreadyRegistered() const noexcept { return !created_; }
  // The new record, or the existing one of that name.
  const EventInfo* info() const noexcept { return info_; }

  EventBuilder& SetDescription(std::string_view text);
  EventBuilder& SetNameSpace(std::string_view text);
  // Appends a tag; an empty tag is ignored.
  EventBuilder& AddTag(std::string_view tag);

 private:
  friend class BindingRegistry;
  EventBuilder(BindingRegistry* registry, EventInfo* info, bool created)
      : registry_(registry), info_(info), created_(created) {}
  EventInfo* editable() const noexcept { return created_ ? info_ : nullptr; }

  BindingRegistry* registry_;
  EventInfo* info_;
  bool created_;
};

class BindingRegistry final : public EnumNameLookup {
 public:
  BindingRegistry();
  ~BindingRegistry() override;
  BindingRegistry(const BindingRegistry&) = delete;
  BindingRegistry& operator=(const BindingRegistry&) = delete;

  // A new type carries the module tags (SetModuleTags) before any tag its builder adds.
  [[nodiscard]] TypeBuilder RegisterType(std::string_view name, uint32_t size,
                                         const TypeIdentity& identity, bool isEnum);

  // The tags of every type registered from now on, the built-ins excepted (they keep their
  // own). Types registered before keep the tags they have.
  void SetModuleTags(std::vector<std::string> tags);

  // Null when no type has that identifier / name.
  const TypeInfo* FindType(uint32_t identifier) const;
  const TypeInfo* FindType(const TypeIdentity& identity) const { return FindType(identity.id); }
  const TypeInfo* FindTypeByName(std::string_view name) const;
  std::optional<uint32_t> IdentifierOf(std::string_view name) const;

  // Enum or Struct with the TypeInfo when registered; code None without one otherwise.
  TypeDescriptor DescriptorOf(const TypeIdentity& identity) const;

  // The name of `value` in the enumeration `type`; nullopt when either is unknown.
  std::optional<std::string_view> NameOfEnumValue(int32_t value,
                                                  const TypeIdentity* type) const override;
  // Whether `value` is one of the values of the registered enumeration `type`.
  bool IsEnumValue(int32_t value, const TypeIdentity& type) const;

  // Every registered type in registration order.
  std::vector<const TypeInfo*> Types() const;

  // Removes every type; every TypeInfo handed out before becomes invalid.
  void RemoveAllTypes();

  // A new event record, or an inert builder for the existing record of that name.
  [[nodiscard]] EventBuilder RegisterEvent(std::string_view name, const TypeIdentity& payloadType);
  // Removes and destroys the record of that name; an unknown name does nothing.
  void UnregisterEvent(std::string_view name);
  // Null when no event has that name.
  const EventInfo* FindEvent(std::string_view name) const;
  // Every registered event in registration order.
  std::vector<const EventInfo*> Events() const;
  // Removes every event; every EventInfo handed out before becomes invalid.
  void RemoveAllEvents();

  // Registers the built-in types and event, in this order: the help types (the format
  // enumeration first), BindingAsyncState, BindingGenericEvent, BindingCallbackEvent,
  // BindingGenericAsyncEvent, BindingAsyncFailureEvent, BindingAsyncCancelEvent and the
  // event "OnCallback". When the registry was initialised before, every type and event is
  // removed first, so repeating it leaves one copy of each. Types registered before the
  // first initialisation are kept (a built-in whose name is taken keeps the existing type).
  // Functions live in the API registry, whose own Initialise() removes them and calls this.
  void Initialise();
  bool initialised() const;

 private:
  friend class TypeBuilder;
  friend class EventBuilder;

  // The identifier's four bytes, lowest first, through FNV-1a.
  struct IdentifierHash {
    std::size_t operator()(uint32_t identifier) const noexcept;
  };

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<TypeInfo>> types_;
  std::unordered_map<std::string, TypeInfo*, Fnv1aHash, std::equal_to<>> byName_;
  std::unordered_map<uint32_t, TypeInfo*, IdentifierHash> byIdentifier_;
  std::vector<std::unique_ptr<EventInfo>> events_;
  std::unordered_map<std::string, EventInfo*, Fnv1aHash, std::equal_to<>> eventsByName_;
  std::vector<std::string> moduleTags_;
  bool builtInsRegistering_ = false;
  bool initialised_ = false;
};

}  // namespace Vela
