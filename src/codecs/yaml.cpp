#include "codecs/yaml.h"

#include <yaml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "binding/binding_conversions.h"
#include "binding/internal/tree_assembler.h"
#include "util/format_text.h"
#include "util/process_hash_key.h"

namespace Vela {
namespace {

constexpr std::string_view kStrTag = "tag:yaml.org,2002:str";
constexpr std::string_view kIntTag = "tag:yaml.org,2002:int";
constexpr std::string_view kFloatTag = "tag:yaml.org,2002:float";
constexpr std::string_view kBoolTag = "tag:yaml.org,2002:bool";

// The conversions of tagged numbers name the C types.
constexpr std::string_view kConversionPath = "yaml";
constexpr SignedBounds kTaggedSignedBounds{INT64_MIN, INT64_MAX, "int64_t"};
constexpr UnsignedBounds kTaggedUnsignedBounds{UINT64_MAX, "uint64_t"};
constexpr FloatBounds kTaggedFloatBounds{-1.7976931348623157e308, 1.7976931348623157e308,
                                         "double"};

bool IsNullWord(std::string_view text) {
  return text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL";
}

bool IsTrueWord(std::string_view text) {
  switch (text.size()) {
    case 1:
      return text == "y" || text == "Y";
    case 2:
      return text == "on" || text == "On" || text == "ON";
    case 3:
      return text == "yes" || text == "Yes" || text == "YES";
    case 4:
      return text == "true" || text == "True" || text == "TRUE";
    default:
      return false;
  }
}

bool IsFalseWord(std::string_view text) {
  switch (text.size()) {
    case 1:
      return text == "n" || text == "N";
    case 2:
      return text == "no" || text == "No" || text == "NO";
    case 3:
      return text == "off" || text == "Off" || text == "OFF";
    case 5:
      return text == "false" || text == "False" || text == "FALSE";
    default:
      return false;
  }
}

// [-]digits[.digits][(e|E)[+|-]digits], with a digit before or after the point.
bool IsPlainDecimal(const char* text, std::size_t length) {
  std::size_t at = text[0] == '-' ? 1 : 0;
  auto digits = [&] {
    const std::size_t from = at;
    while (at < length && text[at] >= '0' && text[at] <= '9') ++at;
    return at - from;
  };
  std::size_t mantissa = digits();
  if (at < length && text[at] == '.') {
    ++at;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (at < length && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < length && (text[at] == '+' || text[at] == '-')) ++at;
    if (digits() == 0) return false;
  }
  return at == length;
}

// Reads all of `text` as strtod does; false when strtod would leave some of it. Plain
// decimal numbers, the common case, go through std::from_chars, which rounds the same
// (correctly) and is far faster; the rest (hexadecimal, a "+" sign, overflow, ...) through
// strtod itself.
bool ReadWholeNumber(const char* text, std::size_t length, double& number) {
  if (IsPlainDecimal(text, length)) {
    const auto [end, error] = std::from_chars(text, text + length, number);
    if (error == std::errc{} && end == text + length) return true;
  }
  char* end = nullptr;
  number = std::strtod(text, &end);
  return end == text + length;
}

// A plain scalar that strtod reads whole, as Signed, Unsigned or Float; false when the
// text is no number. Infinities and NaN are no numbers here (they stay texts), and whole
// numbers beyond the 64-bit ranges stay Float, since converting them would be undefined.
template <class Slot>
bool ResolvePlainNumber(Slot& target, const char* text, std::size_t length) {
  // Besides infinities and NaN, strtod reads only texts that start with these (after white
  // space, which a block scalar may begin with): skipping the rest keeps plain words cheap.
  const char first = text[0];
  const bool space = first == ' ' || (first >= '\t' && first <= '\r');
  if (!((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.' || space)) {
    return false;
  }
  double number = 0;
  if (!ReadWholeNumber(text, length, number) || std::isnan(number) || std::isinf(number)) {
    return false;
  }
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (std::trunc(number) != number || number < -kTwoTo63 || number >= 2 * kTwoTo63) {
    target.SetFloat(number);
  } else if (number < 0) {
    target.SetSigned(static_cast<int64_t>(number));
  } else if (number >= kTwoTo63) {
    target.SetUnsigned(static_cast<uint64_t>(number - kTwoTo63) | (uint64_t{1} << 63));
  } else {
    target.SetUnsigned(static_cast<uint64_t>(number));
  }
  return true;
}

// One step of the route from the root to a node.
struct PathStep {
  bool isField = false;
  std::size_t index = 0;  // elements
  std::string name;       // fields
};

// Where an anchor points: the anchored node's path (or, while a tree is assembled, where
// finished nodes never change, a copy of the node), or an anchored key's text.
struct AnchorRecord {
  std::vector<PathStep> path;
  BindingProperty copy;
  std::string keyText;
  bool isKey = false;
  bool open = false;  // the anchored sequence or mapping has not ended yet
};

enum class Container : uint8_t { None, Sequence, Mapping };

// One open node: a value slot still to be filled, or a sequence or mapping that has begun.
// The kind of container is tracked here, not read from the target: a repeated key hands the
// new value a slot that may already hold a mapping or a sequence.
struct Frame {
  explicit Frame(BindingProperty* value) noexcept : target(value) {}

  BindingProperty* target;
  // The step from the parent frame's node to this one. A field's name is not kept: it is
  // looked up in the parent when an anchor needs the path, which is rare, so that the
  // common case copies no text.
  bool isField = false;
  std::size_t index = 0;  // of an element
  Container container = Container::None;
  AnchorRecord* anchor = nullptr;  // the anchor of an open container
};

using ScalarData = decltype(yaml_event_t{}.data.scalar);

struct Mark {
  uint64_t line;
  uint64_t column;
};

Mark StartOf(const yaml_event_t& event) {
  return {uint64_t{event.start_mark.line} + 1, uint64_t{event.start_mark.column} + 1};
}

std::string_view ViewOf(const yaml_char_t* text) {
  return text == nullptr ? std::string_view{} : std::string_view(reinterpret_cast<const char*>(text));
}

// Owns the parser for one load and deletes it on every path out.
class Parser {
 public:
  explicit Parser(std::string_view text) {
    ready_ = yaml_parser_initialize(&parser_) != 0;
    if (ready_) {
      yaml_parser_set_encoding(&parser_, YAML_UTF8_ENCODING);
      yaml_parser_set_input_string(&parser_, reinterpret_cast<const unsigned char*>(text.data()),
                                   text.size());
    }
  }
  ~Parser() {
    if (ready_) yaml_parser_delete(&parser_);
  }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  bool ready() const { return ready_; }
  yaml_parser_t& get() { return parser_; }

 private:
  yaml_parser_t parser_{};
  bool ready_ = false;
};

// Owns one event until the next is taken.
class Event {
 public:
  Event() = default;
  ~Event() { Clear(); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Takes the next event; false when the parser failed (it then holds the error).
  bool Next(yaml_parser_t& parser) {
    Clear();
    held_ = yaml_parser_parse(&parser, &event_) != 0;
    return held_;
  }
  const yaml_event_t& get() const { return event_; }

 private:
  void Clear() {
    if (held_) yaml_event_delete(&event_);
    held_ = false;
  }
  yaml_event_t event_{};
  bool held_ = false;
};

enum class Outcome { Loading, Failed, NeedsInPlaceBuild };

// Takes a resolved scalar as BindingProperty's setters do and pushes it as the next value.
struct AssembledSlot {
  detail::TreeAssembler& assembler;
  bool filled = false;

  void Reset() { Push(&detail::TreeAssembler::PushNull); }
  void SetBool(bool value) { Push(&detail::TreeAssembler::PushBool, value); }
  void SetSigned(int64_t value) { Push(&detail::TreeAssembler::PushSigned, value); }
  void SetUnsigned(uint64_t value) { Push(&detail::TreeAssembler::PushUnsigned, value); }
  void SetFloat(double value) { Push(&detail::TreeAssembler::PushFloat, value); }
  void SetString(std::string_view text) { Push(&detail::TreeAssembler::PushString, text); }

 private:
  template <class Method, class... Value>
  void Push(Method method, Value... value) {
    (assembler.*method)(value...);
    filled = true;
  }
};

// The event loop and what does not depend on how the tree is built: scalar resolution,
// keys, anchors, aliases, limits and failures. `Builder` (the derived class) places values:
//   bool RootDone()               a whole root node has been read
//   bool ChooseTarget()           prepares the next value's place; true when a key is due
//   void ScalarValue(event)       resolves and places a scalar (then records its anchor)
//   void Begin(container)         places a new sequence or mapping
//   void EndContainer()           closes the innermost one
//   std::size_t OpenContainers()
//   const BindingProperty& NodeOf(record)   an anchored node as it is now
//   void PlaceCopy(record, source)          places an alias's copy of `source`
template <class Builder>
class YamlLoader {
 public:
  // Loads `text`; the failure's message is kept when the outcome is Failed.
  Outcome Load(std::string_view text) {
    Parser parser(text);
    if (!parser.ready()) {
      Fail(FormatText(YamlMessage::kParserError, "memory error", 0, 0));
      return outcome_;
    }
    Event event;
    bool parsed = event.Next(parser.get());
    while (ok() && parsed && event.get().type != YAML_STREAM_END_EVENT) {
      Handle(event.get());
      if (ok()) parsed = event.Next(parser.get());
    }
    const yaml_parser_t& state = parser.get();
    if (ok() && state.error != YAML_NO_ERROR) {
      // A memory error carries no problem text.
      const std::string_view problem =
          state.problem != nullptr ? std::string_view(state.problem) : "memory error";
      Fail(FormatText(YamlMessage::kParserError, problem, uint64_t{state.problem_mark.line},
                      uint64_t{state.problem_mark.column}));
    }
    if (ok()) self().Finish();
    return outcome_;
  }

  const std::string& failure() const noexcept { return failure_; }

 protected:
  bool ok() const noexcept { return outcome_ == Outcome::Loading; }
  void NeedInPlaceBuild() noexcept { outcome_ = Outcome::NeedsInPlaceBuild; }

  template <class Slot>
  void Resolve(Slot& target, const ScalarData& scalar) {
    const char* text = reinterpret_cast<const char*>(scalar.value);
    const std::string_view view(text, scalar.length);
    if (scalar.tag != nullptr) {
      ResolveTagged(target, ViewOf(scalar.tag), view);
      return;
    }
    const bool quoted = scalar.style == YAML_SINGLE_QUOTED_SCALAR_STYLE ||
                        scalar.style == YAML_DOUBLE_QUOTED_SCALAR_STYLE;
    if (quoted) {
      target.SetString(view);
    } else if (IsNullWord(view)) {
      target.Reset();
    } else if (ResolvePlainNumber(target, text, scalar.length)) {
    } else if (IsTrueWord(view)) {
      target.SetBool(true);
    } else if (IsFalseWord(view)) {
      target.SetBool(false);
    } else {
      target.SetString(view);
    }
  }

  // Records a new anchor; null (after failing) when the name is taken.
  AnchorRecord* AddAnchor(const yaml_event_t& event, const yaml_char_t* anchor) {
    const std::string_view name = ViewOf(anchor);
    auto [entry, inserted] = anchors_.try_emplace(std::string(name));
    if (!inserted) {
      FailAt(YamlMessage::kDuplicateAnchor, event, name);
      return nullptr;
    }
    return &entry->second;
  }

  void Fail(const std::string& message) {
    failure_ = message;
    outcome_ = Outcome::Failed;
  }

  std::string pendingKey_;
  bool keyPending_ = false;

 private:
  Builder& self() { return static_cast<Builder&>(*this); }

  void Handle(const yaml_event_t& event) {
    switch (event.type) {
      case YAML_STREAM_START_EVENT:
      case YAML_DOCUMENT_END_EVENT:
        return;
      case YAML_DOCUMENT_START_EVENT:
        // A later document would find the root closed: refuse every second one.
        if (++documents_ > 1) Fail(std::string(YamlMessage::kMultiDocument));
        return;
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT:
        self().EndContainer();
        return;
      case YAML_SCALAR_EVENT:
      case YAML_SEQUENCE_START_EVENT:
      case YAML_MAPPING_START_EVENT:
      case YAML_ALIAS_EVENT:
        break;
      default:
        return;
    }
    if (self().RootDone()) {  // a node after the document's root; libyaml never sends one
      Fail(std::string(YamlMessage::kMultiDocument));
      return;
    }
    const bool keyExpected = self().ChooseTarget();
    switch (event.type) {
      case YAML_SCALAR_EVENT:
        keyExpected ? ScalarKey(event) : self().ScalarValue(event);
        return;
      case YAML_SEQUENCE_START_EVENT:
        if (keyExpected) {
          FailAt(YamlMessage::kUnexpectedSequence, event);
        } else {
          BeginContainer(event, Container::Sequence, event.data.sequence_start.anchor);
        }
        return;
      case YAML_MAPPING_START_EVENT:
        if (keyExpected) {
          FailAt(YamlMessage::kUnexpectedMapping, event);
        } else {
          BeginContainer(event, Container::Mapping, event.data.mapping_start.anchor);
        }
        return;
      case YAML_ALIAS_EVENT:
        Alias(event, keyExpected);
        return;
      default:
        return;
    }
  }

  void ScalarKey(const yaml_event_t& event) {
    const auto& scalar = event.data.scalar;
    if (scalar.tag != nullptr && ViewOf(scalar.tag) != kStrTag) {
      FailAt(YamlMessage::kInvalidMappingKey, event);
      return;
    }
    // A pending flag rather than "key text not empty": "" is a key like any other.
    pendingKey_.assign(reinterpret_cast<const char*>(scalar.value), scalar.length);
    keyPending_ = true;
    if (scalar.anchor != nullptr) {
      AnchorRecord* record = AddAnchor(event, scalar.anchor);
      if (record != nullptr) {
        record->isKey = true;
        record->keyText = pendingKey_;
      }
    }
  }

  template <class Slot>
  void ResolveTagged(Slot& target, std::string_view tag, std::string_view text) {
    if (tag == kStrTag) {
      target.SetString(text);
      return;
    }
    if (tag == kBoolTag) {
      if (IsTrueWord(text)) {
        target.SetBool(true);
      } else if (IsFalseWord(text)) {
        target.SetBool(false);
      }
      return;
    }
    if (tag != kIntTag && tag != kFloatTag) {
      Fail(FormatText(YamlMessage::kUnsupportedTag, tag));
      return;
    }
    const BindingProperty input(text);
    BindingResult status = BindingResult::Ok();
    if (tag == kFloatTag) {
      const double value = FloatFromBinding(status, input, kConversionPath, kTaggedFloatBounds);
      if (status.ok()) target.SetFloat(value);
    } else if (!text.empty() && text.front() == '-') {
      const int64_t value = SignedFromBinding(status, input, kConversionPath, kTaggedSignedBounds);
      if (status.ok()) target.SetSigned(value);
    } else {
      const uint64_t value =
          UnsignedFromBinding(status, input, kConversionPath, kTaggedUnsignedBounds);
      if (status.ok()) target.SetUnsigned(value);
    }
    if (!status.ok()) Fail(std::string(status.message()));
  }

  void BeginContainer(const yaml_event_t& event, Container container, const yaml_char_t* anchor) {
    if (self().OpenContainers() >= kYamlMaxNestingDepth) {
      const Mark at = StartOf(event);
      Fail(FormatText(YamlMessage::kTooDeep, uint64_t{kYamlMaxNestingDepth}, at.line, at.column));
      return;
    }
    AnchorRecord* record = nullptr;
    if (anchor != nullptr) {
      record = AddAnchor(event, anchor);
      if (record == nullptr) return;
      record->open = true;
    }
    self().Begin(container, record);
  }

  void Alias(const yaml_event_t& event, bool keyExpected) {
    const std::string_view name = ViewOf(event.data.alias.anchor);
    const auto found = anchors_.find(name);
    if (found != anchors_.end() && found->second.open) {
      FailAt(YamlMessage::kCyclicAlias, event, name);
      return;
    }
    if (found == anchors_.end()) {
      FailAt(YamlMessage::kUndefinedAlias, event, name);
      return;
    }
    const AnchorRecord& record = found->second;
    if (keyExpected) {
      // An alias as a key stands for the anchored key, or for an anchored text.
      const BindingProperty* node = record.isKey ? nullptr : &self().NodeOf(record);
      if (node != nullptr && node->kind() != BindingKind::String) {
        FailAt(YamlMessage::kInvalidMappingKey, event);
        return;
      }
      pendingKey_ = record.isKey ? record.keyText : std::string(node->GetStringOr({}));
      keyPending_ = true;
      return;
    }
    if (record.isKey) {
      self().PlaceCopy(record, BindingProperty(record.keyText));
      return;
    }
    const BindingProperty& source = self().NodeOf(record);
    aliasValues_ += CountValues(source);
    if (aliasValues_ > kYamlMaxAliasValues) {
      const Mark at = StartOf(event);
      Fail(FormatText(YamlMessage::kAliasesTooLarge, uint64_t{kYamlMaxAliasValues}, at.line,
                      at.column));
      return;
    }
    self().PlaceCopy(record, source);
  }

  static std::size_t CountValues(const BindingProperty& root) {
    std::size_t count = 0;
    std::vector<const BindingProperty*> pending{&root};
    while (!pending.empty()) {
      const BindingProperty* node = pending.back();
      pending.pop_back();
      ++count;
      for (const BindingProperty& element : node->Elements()) pending.push_back(&element);
      for (const BindingField& field : node->Fields()) pending.push_back(&field.value());
    }
    return count;
  }

  void FailAt(std::string_view message, const yaml_event_t& event) {
    const Mark at = StartOf(event);
    Fail(FormatText(message, at.line, at.column));
  }
  void FailAt(std::string_view message, const yaml_event_t& event, std::string_view name) {
    const Mark at = StartOf(event);
    Fail(FormatText(message, name, at.line, at.column));
  }

  Outcome outcome_ = Outcome::Loading;
  std::string failure_;
  int documents_ = 0;
  std::size_t aliasValues_ = 0;
  // Records are never erased, so pointers to them stay valid.
  // Anchor names come from the sender: keyed, so that no choice of names fills one bucket.
  std::unordered_map<std::string, AnchorRecord, KeyedTextHash, std::equal_to<>> anchors_{8};
};

// Builds the tree bottom-up: every container is made once, with its exact size, when it
// ends; a repeated key's values are combined by the assembler once the text is read. An
// anchor keeps a copy of its node when the node ends, which is the node an alias means
// unless a repeated key changes it later. So a text with both a repeated key and an alias
// asks for the in-place build (NeedsInPlaceBuild), where an alias reads the tree as it is.
class AssemblingLoader : public YamlLoader<AssemblingLoader> {
 public:
  explicit AssemblingLoader(BindingProperty& root) : assembler_(root) {}

  bool RootDone() const noexcept { return open_.empty() && rootStarted_; }

  bool ChooseTarget() {
    if (open_.empty()) {
      rootStarted_ = true;
      return false;
    }
    if (open_.back().container != Container::Mapping) return false;
    if (!keyPending_) return true;
    keyPending_ = false;
    assembler_.PushKey(pendingKey_);
    return false;
  }

  void ScalarValue(const yaml_event_t& event) {
    const auto& scalar = event.data.scalar;
    AssembledSlot slot{assembler_};
    Resolve(slot, scalar);
    if (!ok()) return;
    // A !!bool tag on a text that is neither word leaves the value as it was: Empty, or
    // what a repeated key's earlier value made it.
    if (!slot.filled) {
      if (!open_.empty() && open_.back().container == Container::Mapping) {
        assembler_.PushKeep();
      } else {
        assembler_.PushNull();
      }
    }
    if (scalar.anchor != nullptr) {
      AnchorRecord* record = AddAnchor(event, scalar.anchor);
      if (record != nullptr) record->copy = assembler_.LastValue();
    }
  }

  void Begin(Container container, AnchorRecord* anchor) {
    if (container == Container::Sequence) {
      assembler_.BeginCollection();
    } else {
      assembler_.BeginStructure();
    }
    open_.push_back({container, anchor});
  }

  void EndContainer() {
    if (open_.empty()) return;
    const OpenContainer open = open_.back();
    open_.pop_back();
    if (open.container == Container::Sequence) {
      assembler_.EndCollection();
    } else {
      assembler_.EndStructure();
    }
    if (open.anchor != nullptr) {
      open.anchor->open = false;
      open.anchor->copy = assembler_.LastValue();
    }
  }

  std::size_t OpenContainers() const noexcept { return open_.size(); }

  const BindingProperty& NodeOf(const AnchorRecord& record) noexcept {
    aliased_ = true;
    return record.copy;
  }

  void PlaceCopy(const AnchorRecord&, const BindingProperty& source) {
    assembler_.PushCopy(source);
  }

  void Finish() {
    // libyaml ends every collection it began; closing what is left only guards the
    // assembler, which finishes closed trees alone.
    while (ok() && !open_.empty()) EndContainer();
    if (!ok()) return;
    if (aliased_ && assembler_.CombinesRepeats()) {
      NeedInPlaceBuild();
      return;
    }
    assembler_.Finish();
  }

 private:
  struct OpenContainer {
    Container container;
    AnchorRecord* anchor;
  };

  detail::TreeAssembler assembler_;
  std::vector<OpenContainer> open_;
  bool rootStarted_ = false;
  bool aliased_ = false;  // an alias took an anchored node's copy
};

// Writes every node into its place in the tree as it is read, so that a repeated key's
// later value merges into the earlier one, and an alias copies a node as it is at that
// moment (anchors keep paths into the tree). Only texts with both a repeated key and an
// alias come here.
class InPlaceLoader : public YamlLoader<InPlaceLoader> {
 public:
  explicit InPlaceLoader(BindingProperty& root) {
    frames_.reserve(16);
    frames_.emplace_back(&root);
  }

  bool RootDone() const noexcept { return frames_.empty(); }

  // Pushes the slot the next node fills; true when that node is a key of the top mapping
  // (then nothing is pushed).
  bool ChooseTarget() {
    Frame& top = frames_.back();
    if (top.container == Container::Sequence) {
      const std::size_t index = top.target->size();
      BindingProperty& element = top.target->Append();
      Frame& frame = frames_.emplace_back(&element);
      frame.index = index;
      return false;
    }
    if (top.container == Container::Mapping) {
      if (!keyPending_) return true;
      keyPending_ = false;
      BindingProperty& field = top.target->MutableField(pendingKey_);
      Frame& frame = frames_.emplace_back(&field);
      frame.isField = true;
      return false;
    }
    return false;
  }

  void ScalarValue(const yaml_event_t& event) {
    const auto& scalar = event.data.scalar;
    Resolve(*frames_.back().target, scalar);
    if (!ok()) return;
    if (scalar.anchor != nullptr) {
      AnchorRecord* record = AddAnchor(event, scalar.anchor);
      if (record == nullptr) return;
      record->path = CurrentPath();
    }
    frames_.pop_back();
  }

  void Begin(Container container, AnchorRecord* anchor) {
    Frame& frame = frames_.back();
    if (container == Container::Sequence) {
      frame.target->MakeCollection();
    } else {
      frame.target->MakeStructure();
    }
    frame.container = container;
    if (anchor != nullptr) {
      anchor->path = CurrentPath();
      frame.anchor = anchor;
    }
  }

  void EndContainer() {
    if (frames_.empty()) return;
    if (frames_.back().anchor != nullptr) frames_.back().anchor->open = false;
    frames_.pop_back();
  }

  // The root slot is frame 0.
  std::size_t OpenContainers() const noexcept { return frames_.size() - 1; }

  // The node at the anchor's path in the result as it is now (Empty when it has since
  // been replaced).
  const BindingProperty& NodeOf(const AnchorRecord& record) const {
    const BindingProperty* node = frames_.front().target;
    for (const PathStep& step : record.path) {
      node = step.isField ? &node->FieldOrEmpty(step.name) : &node->ElementOrEmpty(step.index);
    }
    return *node;
  }

  void PlaceCopy(const AnchorRecord& record, const BindingProperty& source) {
    BindingProperty& target = *frames_.back().target;
    if (!record.isKey && Overlaps(record.path)) {
      // The source holds the target (a mapping reopened by a repeated key) or the target
      // holds the source: copy aside first, so neither is changed while it is read.
      const BindingProperty copy(source);
      target = copy;
    } else {
      target = source;
    }
    frames_.pop_back();
  }

  void Finish() noexcept {}

 private:
  // True when `path` and the top frame's path are one a prefix of the other.
  bool Overlaps(const std::vector<PathStep>& path) const {
    const std::vector<PathStep> current = CurrentPath();
    const std::size_t common = std::min(path.size(), current.size());
    for (std::size_t i = 0; i < common; ++i) {
      const PathStep& a = path[i];
      const PathStep& b = current[i];
      if (a.isField != b.isField || (a.isField ? a.name != b.name : a.index != b.index)) {
        return false;
      }
    }
    return true;
  }

  // The route from the root to the top frame's node. A parent does not change while a
  // child is open, so a field is found in it by the address of its value.
  std::vector<PathStep> CurrentPath() const {
    std::vector<PathStep> path(frames_.size() - 1);
    for (std::size_t i = 1; i < frames_.size(); ++i) {
      PathStep& step = path[i - 1];
      step.isField = frames_[i].isField;
      step.index = frames_[i].index;
      if (!step.isField) continue;
      for (const BindingField& field : frames_[i - 1].target->Fields()) {
        if (&field.value() == frames_[i].target) {
          step.name = field.name();
          break;
        }
      }
    }
    return path;
  }

  std::vector<Frame> frames_;
};

}  // namespace

BindingResult YamlLoad(std::string_view text) {
  BindingResult result = BindingResult::Ok();
  std::string failure;
  bool inPlace = false;
  {
    AssemblingLoader loader(result.value());
    const Outcome outcome = loader.Load(text);
    inPlace = outcome == Outcome::NeedsInPlaceBuild;
    if (outcome == Outcome::Failed) failure = loader.failure();
  }  // what the assembler still held is released here
  if (inPlace) {
    // A repeated key and an alias together are rare: such a text is loaded a second time.
    InPlaceLoader loader(result.value());
    if (loader.Load(text) == Outcome::Failed) failure = loader.failure();
  }
  if (!failure.empty()) result.SetFailure(failure);
  return result;
}

}  // namespace Vela
