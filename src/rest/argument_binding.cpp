#include "rest/argument_binding.h"

#include <cstddef>
#include <string>
#include <vector>

#include "binding/type_descriptor.h"
#include "codecs/json.h"
#include "codecs/msgpack.h"
#include "codecs/yaml.h"
#include "rest/function_record.h"
#include "util/format_text.h"

namespace Vela {
namespace {

constexpr std::string_view kMessagePackType = "application/x-msgpack";  // also "-ext"
constexpr std::string_view kJsonType = "application/json";
constexpr std::string_view kJsonApiType = "application/vnd.api+json";
constexpr std::string_view kYamlTextType = "text/x-yaml";
constexpr std::string_view kYamlApplicationType = "application/x-yaml";
constexpr std::string_view kOctetStreamType = "application/octet-stream";

// Indices at or past this would grow a collection beyond what a value may hold.
constexpr uint64_t kIndexLimit = 2147483648u;
// An index in an argument's member path fills every element before it, so one short query
// pair could otherwise make a request allocate gigabytes.
constexpr uint64_t kMaxMemberPathIndex = 65535;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `contentType` starts with `literal`, ignoring ASCII case.
bool IsContentType(std::string_view contentType, std::string_view literal) {
  if (contentType.size() < literal.size()) return false;
  for (std::size_t i = 0; i < literal.size(); ++i) {
    if (LowerAscii(contentType[i]) != literal[i]) return false;
  }
  return true;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view SkipSpaces(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  return text.substr(i);
}

bool SniffsMessagePack(std::string_view text) {
  if (text.empty()) return false;
  const auto first = static_cast<unsigned char>(text.front());
  return (first >= 0x80 && first <= 0x9F) || (first >= 0xDC && first <= 0xDF);
}

bool SniffsJson(std::string_view text) {
  const std::string_view rest = SkipSpaces(text);
  return !rest.empty() && (rest.front() == '{' || rest.front() == '[');
}

bool SniffsYaml(std::string_view text) { return SkipSpaces(text).starts_with("---"); }

void Fail(RestCallState& call, std::string_view message) { call.status.SetFailure(message); }

const std::string& FunctionName(const FunctionBinding& binding) { return binding.function().name; }

// Decodes `text` into `target`; `key` names it in the decoder failure messages.
void DecodeValueText(RestCallState& call, const FunctionBinding& binding, BindingProperty& target,
                     std::string_view key, std::string_view text, std::string_view contentType,
                     bool maySniff) {
  const bool sniff = maySniff && contentType.empty();
  if (IsContentType(contentType, kMessagePackType) || (sniff && SniffsMessagePack(text))) {
    BindingResult decoded = MsgPackDecode(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (!decoded.ok()) {
      Fail(call, FormatText(RestMessage::kMessagePackDeserializeFailed, key, FunctionName(binding),
                            decoded.message()));
      return;
    }
    target = std::move(decoded).value();
    return;
  }
  if (IsContentType(contentType, kJsonType) || (sniff && SniffsJson(text))) {
    // A copy bounds the parse to the text (the parser reads up to a NUL).
    BindingResult decoded = ParseJson(std::string(text));
    if (!decoded.ok()) {
      Fail(call, FormatText(RestMessage::kJsonDeserializeFailed, key, FunctionName(binding),
                            decoded.message()));
      return;
    }
    target = std::move(decoded).value();
    return;
  }
  if (IsContentType(contentType, kYamlTextType) || (sniff && SniffsYaml(text))) {
    BindingResult decoded = YamlLoad(text);
    if (!decoded.ok()) {
      Fail(call, FormatText(RestMessage::kYamlDeserializeFailed, key, FunctionName(binding),
                            decoded.message()));
      return;
    }
    target = std::move(decoded).value();
    return;
  }
  if (IsContentType(contentType, kOctetStreamType)) {
    target.SetBlob(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return;
  }
  target.SetString(text);
}

// Reads an index component: base 16 after "0x", base 8 after a leading "0", else base 10.
// False with the failure recorded when the component is malformed or too large.
bool ParseIndex(RestCallState& call, std::string_view component, std::size_t& index) {
  unsigned base = 10;
  std::size_t at = 0;
  auto digitValue = [](char c) -> unsigned {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 99;
  };
  if (component.size() > 2 && component[0] == '0' && (component[1] == 'x' || component[1] == 'X') &&
      digitValue(component[2]) < 16) {
    base = 16;
    at = 2;
  } else if (component.size() > 1 && component[0] == '0') {
    base = 8;
  }
  uint64_t value = 0;
  bool overflow = false;
  for (; at < component.size(); ++at) {
    const unsigned digit = digitValue(component[at]);
    if (digit >= base) break;
    value = value * base + digit;
    if (value >= kIndexLimit) overflow = true;  // keeps `value` from wrapping silently
    if (overflow) value = kIndexLimit;
  }
  if (at != component.size()) {
    Fail(call, FormatText(RestMessage::kIndexIncorrectFormat, component));
    return false;
  }
  if (overflow || value >= kIndexLimit || value >= kMaxCollectionElements || value > kMaxMemberPathIndex) {
    Fail(call, FormatText(RestMessage::kIndexOutOfRange, component));
    return false;
  }
  index = static_cast<std::size_t>(value);
  return true;
}

// Walks `path` ("b.0.c") from `value`, creating what is missing; null on failure.
BindingProperty* WalkMemberPath(RestCallState& call, BindingProperty& value, std::string_view path) {
  BindingProperty* current = &value;
  while (true) {
    const std::size_t dot = path.find('.');
    const std::string_view component = path.substr(0, dot);
    if (!component.empty() && component.front() >= '0' && component.front() <= '9') {
      std::size_t index = 0;
      if (!ParseIndex(call, component, index)) return nullptr;
      current = &current->MutableElement(index);
    } else {
      current = &current->MutableField(component);
    }
    if (dot == std::string_view::npos) return current;
    path.remove_prefix(dot + 1);
  }
}

bool MaySniff(TypeCode code) {
  return code == TypeCode::Object || code == TypeCode::Vector || code == TypeCode::Struct;
}

}  // namespace

void BindArgument(RestCallState& call, const FunctionBinding& binding, std::string_view key,
                  std::string_view valueText, std::string_view contentType,
                  ParameterLocation location) {
  if (!call.status.ok()) return;
  const std::size_t dot = key.find('.');
  const std::string_view component = key.substr(0, dot);
  const std::optional<std::size_t> index = binding.ParameterIndex(component);
  if (!index || *index >= call.parameters.size()) {
    Fail(call, FormatText(RestMessage::kUnknownArgument, component, FunctionName(binding)));
    return;
  }
  const ParameterLocation allowed = binding.LocationOf(*index);
  if (allowed != ParameterLocation::Any && allowed != location) {
    Fail(call, FormatText(RestMessage::kInvalidLocation, component, FunctionName(binding)));
    return;
  }
  const ParameterRecord& parameter = binding.function().parameters[*index];
  BindingProperty& value = call.parameters[*index];
  if (dot != std::string_view::npos) {
    BindingProperty* member = WalkMemberPath(call, value, key.substr(dot + 1));
    if (member == nullptr) return;
    DecodeValueText(call, binding, *member, key, valueText, contentType, /*maySniff=*/false);
    return;
  }
  if (valueText.empty()) {
    // An empty text stands for true, an empty structure or an empty list, and for nothing else.
    const TypeCode code = parameter.type.code;
    switch (ClassifyTypeCode(code)) {
      case TypeCodeClass::Plain:
      case TypeCodeClass::Registered:
        if (code == TypeCode::Bool) {
          value = true;
          return;
        }
        if (code == TypeCode::Object || code == TypeCode::Struct) {
          value.Reset();
          value.MakeStructure();
          return;
        }
        break;
      case TypeCodeClass::Sequence:
        value.Reset();
        value.MakeCollection();
        return;
      case TypeCodeClass::Dictionary:
      case TypeCodeClass::Undescribed:
        break;
    }
    Fail(call, FormatText(RestMessage::kExpectedValue, parameter.name));
    return;
  }
  DecodeValueText(call, binding, value, key, valueText, contentType, MaySniff(parameter.type.code));
}

void BindBody(RestCallState& call, const FunctionBinding& binding, std::string_view contentType,
              std::span<const uint8_t> body) {
  if (!call.status.ok() || body.data() == nullptr) return;
  const auto locations = binding.locations();
  std::size_t target = locations.size();
  for (std::size_t i = 0; i < locations.size(); ++i) {
    if (locations[i] == ParameterLocation::Body) {
      target = i;
      break;
    }
  }
  if (target == locations.size() || target >= call.parameters.size()) return;

  if (IsContentType(contentType, kMessagePackType)) {
    std::size_t stop = 0;
    BindingResult decoded = MsgPackDecode(body, stop);
    if (!decoded.ok()) {
      Fail(call, decoded.message());
      return;
    }
    if (stop < body.size()) {
      Fail(call, RestMessage::kExtraMessagePackData);
      return;
    }
    call.parameters[target] = std::move(decoded).value();
    return;
  }
  if (IsContentType(contentType, kJsonType) || IsContentType(contentType, kJsonApiType)) {
    // Only the body's own bytes are read, whether or not the host ends them with a NUL.
    BindingResult decoded =
        ParseJson(std::string(reinterpret_cast<const char*>(body.data()), body.size()));
    if (!decoded.ok()) {
      Fail(call, decoded.message());
      return;
    }
    call.parameters[target] = std::move(decoded).value();
    return;
  }
  if (IsContentType(contentType, kYamlApplicationType)) {
    BindingResult decoded =
        YamlLoad(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
    if (!decoded.ok()) {
      Fail(call, decoded.message());
      return;
    }
    call.parameters[target] = std::move(decoded).value();
    return;
  }
  Fail(call, RestMessage::kUnsupportedBodyContentType);
}

}  // namespace Vela
