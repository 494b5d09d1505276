#include "rest/api_registry.h"

#include <cstring>

#include "binding/type_info.h"
#include "rest/api_help.h"
#include "rest/dispatch.h"

namespace Vela {

// Owns every record and text of the description block. Arrays are sized before they are
// filled and never grow afterwards, so the addresses handed to the host stay put.
namespace detail {

struct ApiDescriptionStorage {
  ApiDescription block{};
  std::deque<std::string> texts;  // a deque never moves its elements
  std::deque<std::vector<const char*>> textArrays;
  std::vector<FunctionDescription> functions;
  std::deque<std::vector<ArgumentEntry>> arguments;
  std::vector<EventRecord> events;
  std::vector<TypeRecord> types;
  std::deque<std::vector<FieldEntry>> fields;
  std::deque<std::vector<EnumValueEntry>> values;
  std::vector<RestFunctionRecord> restFunctions;
  std::vector<FunctionContext> contexts;
  std::deque<std::vector<ParamLocationEntry>> locations;
  std::deque<std::vector<TextListEntry>> textLists;

  const char* Text(std::string_view text) { return texts.emplace_back(text).c_str(); }

  // Null for an empty list.
  const char** TextArray(std::span<const std::string> list) {
    if (list.empty()) return nullptr;
    std::vector<const char*>& array = textArrays.emplace_back();
    array.reserve(list.size());
    for (const std::string& text : list) array.push_back(Text(text));
    return array.data();
  }
};

}  // namespace detail

namespace {

// Links each record's first word to the next one; null for an empty array.
template <class Record>
Record* Link(std::vector<Record>& records) {
  for (std::size_t i = 0; i + 1 < records.size(); ++i) records[i].next = &records[i + 1];
  if (!records.empty()) records.back().next = nullptr;
  return records.empty() ? nullptr : records.data();
}

uint32_t Count(std::size_t size) { return static_cast<uint32_t>(size); }

uint32_t CodeOf(TypeCode code) {
  const auto value = static_cast<uint32_t>(code);
  return value >= 1 && value <= 19 ? value : 0;
}

std::string_view TypeNameOf(const TypeDescriptor& descriptor) {
  switch (ClassifyTypeCode(descriptor.code)) {
    case TypeCodeClass::Sequence:
    case TypeCodeClass::Dictionary:
    case TypeCodeClass::Registered:
      return descriptor.info != nullptr ? std::string_view(descriptor.info->name) : std::string_view();
    case TypeCodeClass::Plain:
    case TypeCodeClass::Undescribed:
      return {};
  }
  return {};  // unreachable: every class returns above
}

// Fills a function description record; its `next` is left for Link.
void Describe(detail::ApiDescriptionStorage& s, const FunctionRecord& function,
              const BindingRegistry& types, FunctionDescription& record) {
  std::memset(&record, 0, sizeof record);
  record.name = s.Text(function.name);
  record.nameSpace = s.Text(function.nameSpace);
  std::vector<ArgumentEntry>& arguments = s.arguments.emplace_back(function.parameters.size());
  for (std::size_t a = 0; a < function.parameters.size(); ++a) {
    const ParameterRecord& parameter = function.parameters[a];
    const TypeDescriptor& type = ShownDescriptor(parameter.type, parameter.elementType);
    ArgumentEntry& entry = arguments[a];
    entry.name = s.Text(parameter.name);
    entry.description = s.Text(parameter.description);
    entry.type = CodeOf(type.code);
    entry.elementType = CodeOf(type.elementCode);
    entry.typeName = s.Text(TypeNameOf(type));
    entry.optional = parameter.optional ? 1 : 0;
  }
  record.args = Link(arguments);
  record.argCount = Count(arguments.size());
  const TypeDescriptor& returns = ShownDescriptor(function.returnType, function.returnElementType);
  record.returnType = CodeOf(returns.code);
  record.returnElementType = CodeOf(returns.elementCode);
  record.returnTypeName = s.Text(TypeNameOf(returns));
  record.description = s.Text(function.description);
  record.help = s.Text(function.help);
  record.threadSafe = function.threadSafe ? 1 : 0;
  record.asyncType = s.Text(AsyncTypeNameOf(function, types));
  record.tags = s.TextArray(function.tags);
  record.tagCount = Count(function.tags.size());
}

}  // namespace

ApiRegistry::ApiRegistry() {
  bindings_.max_load_factor(1.0f);
  bindings_.rehash(8);
  Initialise();
}

void ApiRegistry::Initialise() {
  {
    std::lock_guard lock(mutex_);
    // The block's contexts point at bindings, and bindings at functions: drop in that order.
    description_.reset();
    bindingOrder_.clear();
    bindings_.clear();
    functions_.clear();
  }
  types_.Initialise();
}

ApiRegistry::~ApiRegistry() = default;

void ApiRegistry::SetModuleTags(std::vector<std::string> tags) {
  types_.SetModuleTags(tags);
  std::lock_guard lock(mutex_);
  moduleTags_ = std::move(tags);
}

FunctionRecord& ApiRegistry::AddFunction(std::string_view name) {
  std::lock_guard lock(mutex_);
  FunctionRecord& function = *functions_.emplace_back(std::make_unique<FunctionRecord>());
  function.name = std::string(name);
  function.tags = moduleTags_;
  function.registry = this;
  return function;
}

std::vector<const FunctionRecord*> ApiRegistry::Functions() const {
  std::lock_guard lock(mutex_);
  std::vector<const FunctionRecord*> list;
  list.reserve(functions_.size());
  for (const auto& function : functions_) list.push_back(function.get());
  return list;
}

FunctionBinding& ApiRegistry::AddBinding(const FunctionRecord& function) {
  std::lock_guard lock(mutex_);
  auto& slot = bindings_[&function];
  if (!slot) {
    slot = std::make_unique<FunctionBinding>(function);
    bindingOrder_.push_back(slot.get());
  }
  return *slot;
}

FunctionBinding* ApiRegistry::FindBinding(const FunctionRecord& function) const {
  std::lock_guard lock(mutex_);
  const auto found = bindings_.find(&function);
  return found == bindings_.end() ? nullptr : found->second.get();
}

std::vector<FunctionBinding*> ApiRegistry::ListBindings() const {
  std::lock_guard lock(mutex_);
  return bindingOrder_;
}

const ApiDescription& ApiRegistry::BuildApiDescription() {
  if (description_) return description_->block;
  const std::vector<const EventInfo*> events = types_.Events();

  auto storage = std::make_unique<detail::ApiDescriptionStorage>();
  detail::ApiDescriptionStorage& s = *storage;

  // Function description records.
  const std::vector<const FunctionRecord*> functions = Functions();
  s.functions.resize(functions.size());
  for (std::size_t i = 0; i < functions.size(); ++i) Describe(s, *functions[i], types_, s.functions[i]);
  Link(s.functions);

  // Event records.
  s.events.resize(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const EventInfo& event = *events[i];
    const TypeInfo* payload =
        event.payloadType != nullptr ? types_.FindType(*event.payloadType) : nullptr;
    EventRecord& record = s.events[i];
    record.name = s.Text(event.name);
    record.nameSpace = s.Text(event.nameSpace);
    record.payloadType = s.Text(payload != nullptr ? std::string_view(payload->name) : std::string_view());
    record.description = s.Text(event.description);
    record.tags = s.TextArray(event.tags);
    record.tagCount = Count(event.tags.size());
  }
  Link(s.events);

  // Type records.
  const std::vector<const TypeInfo*> types = types_.Types();
  s.types.resize(types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    const TypeInfo& info = *types[i];
    TypeRecord& record = s.types[i];
    record.name = s.Text(info.name);
    record.nameSpace = s.Text(info.nameSpace);
    record.size = info.size;
    record.description = s.Text(info.description);
    record.tags = s.TextArray(info.tags);
    record.tagCount = Count(info.tags.size());
    record.fields = nullptr;
    record.values = nullptr;
    if (!info.fields.empty()) {
      std::vector<FieldEntry>& fields = s.fields.emplace_back(info.fields.size());
      for (std::size_t f = 0; f < info.fields.size(); ++f) {
        const FieldRecord& field = info.fields[f];
        const TypeDescriptor& type = ShownDescriptor(field.type, field.elementType);
        FieldEntry& entry = fields[f];
        entry.name = s.Text(field.name);
        entry.description = s.Text(field.description);
        entry.offset = field.offset;
        entry.type = CodeOf(type.code);
        entry.elementType = CodeOf(type.elementCode);
        entry.typeName = s.Text(TypeNameOf(type));
        entry.optional = field.optional ? 1 : 0;
      }
      record.fields = Link(fields);
      record.count = Count(fields.size());
    } else {
      std::vector<EnumValueEntry>& values = s.values.emplace_back();
      values.reserve(info.values.size());
      for (const auto& [name, value] : info.values) {
        EnumValueEntry& entry = values.emplace_back();
        entry.name = s.Text(value.name);
        entry.description = s.Text(value.description);
        entry.value = value.value;
      }
      record.values = Link(values);
      record.count = Count(values.size());
    }
  }
  Link(s.types);

  // REST function records, one per binding.
  const std::vector<FunctionBinding*> bindings = ListBindings();
  s.restFunctions.resize(bindings.size());
  s.contexts.resize(bindings.size());
  for (std::size_t i = 0; i < bindings.size(); ++i) {
    const FunctionBinding& binding = *bindings[i];
    RestFunctionRecord& record = s.restFunctions[i];
    std::memset(&record, 0, sizeof record);
    bool described = false;
    for (std::size_t f = 0; f < functions.size() && !described; ++f) {
      if (functions[f]->name == binding.function().name) {
        record.description = s.functions[f];
        described = true;
      }
    }
    // A binding of a function this registry does not hold is still described in full.
    if (!described) Describe(s, binding.function(), types_, record.description);
    s.contexts[i] = FunctionContext{this, bindings[i]};
    record.description.context = &s.contexts[i];
    record.dispatch = &DispatchRestRequest;
    std::vector<ParamLocationEntry>& locations = s.locations.emplace_back(binding.locations().size());
    for (std::size_t p = 0; p < locations.size(); ++p) {
      locations[p].location = static_cast<uint32_t>(binding.locations()[p]);
    }
    record.locations = Link(locations);
    record.pathTemplate = s.Text(binding.pathTemplate());
    record.method = static_cast<uint32_t>(binding.method());
    record.flag = binding.flag();
    std::vector<TextListEntry>& lists = s.textLists.emplace_back(binding.textLists().size());
    for (std::size_t l = 0; l < lists.size(); ++l) {
      lists[l].texts = s.TextArray(binding.textLists()[l]);
      lists[l].count = Count(binding.textLists()[l].size());
    }
    record.textLists = Link(lists);
    record.textListCount = Count(lists.size());
    record.customVerb = s.Text(binding.customVerb());
  }
  // The copied description records carry the `next` of their own array; the REST records'
  // first words chain the REST array instead.
  for (std::size_t i = 0; i < s.restFunctions.size(); ++i) {
    s.restFunctions[i].description.next =
        i + 1 < s.restFunctions.size() ? &s.restFunctions[i + 1].description : nullptr;
  }

  s.block = ApiDescription{s.restFunctions.empty() ? nullptr : s.restFunctions.data(),
                           Count(s.restFunctions.size()),
                           s.types.empty() ? nullptr : s.types.data(), Count(s.types.size()),
                           s.events.empty() ? nullptr : s.events.data(), Count(s.events.size())};
  description_ = std::move(storage);
  return description_->block;
}

}  // namespace Vela
