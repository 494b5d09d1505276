#include "binding/binding_conversions.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "binding/binding_registry.h"
#include "binding/enum_name_lookup.h"
#include "binding/internal/integer_text.h"
#include "binding/internal/reserve_fields.h"
#include "binding/type_info.h"
#include "util/format_text.h"

namespace Vela {
namespace {

using namespace ConversionMessage;

using detail::kTwoPow63;
using detail::kTwoPow64;

void RequireValue(BindingResult& status, std::string_view path) {
  status.SetFailure(FormatText(kValueRequired, path));
}

template <typename Number>
void OutOfRange(BindingResult& status, const Number& value, std::string_view path,
                std::string_view nativeName) {
  status.SetFailure(FormatText(kOutOfRange, value, path, nativeName));
}

void InvalidType(BindingResult& status, std::string_view path, std::string_view nativeName,
                 BindingKind kind) {
  status.SetFailure(FormatText(kInvalidType, path, nativeName, BindingKindName(kind)));
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The outcome of parsing a whole text as a number.
enum class ParseOutcome { Ok, IncorrectFormat, OutOfRange };

// strtoll/strtoull/strtod over the whole text. Text that holds no number at all is an
// incorrect format rather than 0. The parsers need a terminating NUL, which a view does
// not promise, hence the copy.
template <typename Number, typename Parse>
ParseOutcome ParseWhole(std::string_view text, Parse parse, Number& out) {
  const std::string copy(text);
  const char* begin = copy.c_str();
  char* end = nullptr;
  errno = 0;
  out = parse(begin, &end);
  const bool overflowed = errno == ERANGE;
  if (end == begin || end != begin + copy.size()) return ParseOutcome::IncorrectFormat;
  return overflowed ? ParseOutcome::OutOfRange : ParseOutcome::Ok;
}

bool FitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// Where a number converter writes: its status, and the path and native name its messages
// carry. The three number converters share everything but which values fit.
struct NumberTarget {
  BindingResult& status;
  std::string_view path;
  std::string_view nativeName;

  // `value` when it fits, else the out-of-range failure showing `shown` (the input).
  template <typename Number, typename Shown>
  Number Fitting(bool fits, Number value, const Shown& shown) const {
    if (fits) return value;
    OutOfRange(status, shown, path, nativeName);
    return Number{};
  }
  // The same for a number parsed from `text`, which a failure then shows.
  template <typename Number>
  Number Parsed(std::string_view text, ParseOutcome outcome, bool fits, Number value) const {
    if (outcome == ParseOutcome::IncorrectFormat) {
      status.SetFailure(FormatText(kIncorrectFormat, text, path, nativeName));
      return Number{};
    }
    return Fitting(outcome == ParseOutcome::Ok && fits, value, text);
  }
  // The kinds no number comes from.
  template <typename Number>
  Number InvalidKind(BindingKind kind) const {
    InvalidType(status, path, nativeName, kind);
    return Number{};
  }
};

template <typename Integer>
ParseOutcome ParseWholeInteger(std::string_view text, Integer& out) {
  return ParseWhole(text, &detail::ParseIntegerText<Integer>, out);
}

}  // namespace

bool BoolFromBinding(BindingResult& status, const BindingProperty& input, std::string_view path) {
  if (!status.ok()) return false;
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return false;
    case BindingKind::Bool:
      return input.GetBoolOr(false);
    case BindingKind::String: {
      const std::string_view text = input.GetStringOr({});
      if (text == "1" || text == "true") return true;
      if (text == "0" || text == "false") return false;
      status.SetFailure(FormatText(kBoolIncorrectFormat, text, path));
      return false;
    }
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
    case BindingKind::Blob:
    case BindingKind::Enum:
    case BindingKind::Collection:
    case BindingKind::Structure:
      status.SetFailure(FormatText(kBoolInvalidType, path, BindingKindName(input.kind())));
      return false;
  }
  return false;
}

int64_t SignedFromBinding(BindingResult& status, const BindingProperty& input,
                          std::string_view path, const SignedBounds& bounds) {
  if (!status.ok()) return 0;
  const NumberTarget target{status, path, bounds.nativeName};
  auto inside = [&bounds](int64_t value) { return value >= bounds.min && value <= bounds.max; };
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return 0;
    case BindingKind::Signed: {
      const int64_t value = input.GetSignedOr(0);
      return target.Fitting(inside(value), value, value);
    }
    case BindingKind::Unsigned: {
      const uint64_t value = input.GetUnsignedOr(0);
      const bool fits = bounds.max >= 0 && value <= static_cast<uint64_t>(bounds.max);
      return target.Fitting(fits, static_cast<int64_t>(value), value);
    }
    case BindingKind::Float: {
      const double value = input.GetFloatOr(0.0);
      // NaN fails every comparison and so is out of range.
      const bool fits = value >= static_cast<double>(bounds.min) &&
                        value <= static_cast<double>(bounds.max) && value >= -kTwoPow63 &&
                        value < kTwoPow63;
      // Truncates toward zero; the cast is only made when it fits.
      return target.Fitting(fits, fits ? static_cast<int64_t>(value) : 0, value);
    }
    case BindingKind::String: {
      const std::string_view text = input.GetStringOr({});
      int64_t value = 0;
      const ParseOutcome outcome = ParseWholeInteger(text, value);
      return target.Parsed(text, outcome, inside(value), value);
    }
    case BindingKind::Enum: {
      const int64_t value = input.GetEnumOr({}).value;
      return target.Fitting(inside(value), value, value);
    }
    case BindingKind::Bool:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return target.InvalidKind<int64_t>(input.kind());
  }
  return 0;
}

uint64_t UnsignedFromBinding(BindingResult& status, const BindingProperty& input,
                             std::string_view path, const UnsignedBounds& bounds) {
  if (!status.ok()) return 0;
  const NumberTarget target{status, path, bounds.nativeName};
  auto inside = [&bounds](int64_t value) {
    return value >= 0 && static_cast<uint64_t>(value) <= bounds.max;
  };
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return 0;
    case BindingKind::Signed: {
      const int64_t value = input.GetSignedOr(0);
      return target.Fitting(inside(value), static_cast<uint64_t>(value), value);
    }
    case BindingKind::Unsigned: {
      const uint64_t value = input.GetUnsignedOr(0);
      return target.Fitting(value <= bounds.max, value, value);
    }
    case BindingKind::Float: {
      const double value = input.GetFloatOr(0.0);
      const bool fits =
          value >= 0.0 && value <= static_cast<double>(bounds.max) && value < kTwoPow64;
      // Truncates toward zero; the cast is only made when it fits.
      return target.Fitting(fits, fits ? static_cast<uint64_t>(value) : 0, value);
    }
    case BindingKind::String: {
      const std::string_view text = input.GetStringOr({});
      uint64_t value = 0;
      const ParseOutcome outcome = ParseWholeInteger(text, value);
      // strtoull accepts a sign and negates ("-1" reads as the largest value); the sign
      // may follow white space, which strtoull skips too.
      std::size_t first = 0;
      while (first < text.size() && IsSpace(text[first])) ++first;
      const bool negative = first < text.size() && text[first] == '-';
      return target.Parsed(text, outcome, !negative && value <= bounds.max, value);
    }
    case BindingKind::Enum: {
      const int32_t value = input.GetEnumOr({}).value;
      return target.Fitting(inside(value), static_cast<uint64_t>(value), value);
    }
    case BindingKind::Bool:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return target.InvalidKind<uint64_t>(input.kind());
  }
  return 0;
}

double FloatFromBinding(BindingResult& status, const BindingProperty& input,
                        std::string_view path, const FloatBounds& bounds) {
  if (!status.ok()) return 0.0;
  const NumberTarget target{status, path, bounds.nativeName};
  // Written as "not outside" so that a NaN passes.
  auto inside = [&bounds](double value) { return !(value < bounds.min || value > bounds.max); };
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return 0.0;
    case BindingKind::Signed: {
      const int64_t value = input.GetSignedOr(0);
      return target.Fitting(inside(static_cast<double>(value)), static_cast<double>(value), value);
    }
    case BindingKind::Unsigned: {
      const uint64_t value = input.GetUnsignedOr(0);
      return target.Fitting(inside(static_cast<double>(value)), static_cast<double>(value), value);
    }
    case BindingKind::Float: {
      const double value = input.GetFloatOr(0.0);
      return target.Fitting(inside(value), value, value);
    }
    case BindingKind::String: {
      const std::string_view text = input.GetStringOr({});
      double value = 0.0;
      ParseOutcome outcome = ParseWhole(
          text, [](const char* s, char** end) { return std::strtod(s, end); }, value);
      // strtod also reports ERANGE for an underflow toward 0, which is not out of range.
      if (outcome == ParseOutcome::OutOfRange && value > -1.0 && value < 1.0) {
        outcome = ParseOutcome::Ok;
      }
      return target.Parsed(text, outcome, inside(value), value);
    }
    case BindingKind::Enum: {
      const int32_t value = input.GetEnumOr({}).value;
      return target.Fitting(inside(static_cast<double>(value)), static_cast<double>(value), value);
    }
    case BindingKind::Bool:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return target.InvalidKind<double>(input.kind());
  }
  return 0.0;
}

int32_t EnumFromBinding(BindingResult& status, const BindingProperty& input,
                        std::string_view path, const TypeInfo* enumeration) {
  if (!status.ok()) return 0;
  const std::string_view enumName =
      enumeration != nullptr ? std::string_view(enumeration->name) : TypeCodeName(TypeCode::Enum);
  // A number names a value only when it is that value exactly: 2^32 + 1 is not 1.
  auto member = [enumeration](int64_t value) {
    return enumeration != nullptr && enumeration->isEnum && FitsInt32(value) &&
           enumeration->HasValue(static_cast<int32_t>(value));
  };
  auto notAValue = [&](const auto& shown) {
    status.SetFailure(FormatText(kNotEnumValueOf, shown, enumName, path));
  };
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return 0;
    case BindingKind::Signed: {
      const int64_t value = input.GetSignedOr(0);
      if (member(value)) return static_cast<int32_t>(value);
      notAValue(value);
      return 0;
    }
    case BindingKind::Unsigned: {
      const uint64_t value = input.GetUnsignedOr(0);
      if (value <= static_cast<uint64_t>(INT32_MAX) && member(static_cast<int64_t>(value))) {
        return static_cast<int32_t>(value);
      }
      notAValue(value);
      return 0;
    }
    case BindingKind::Enum: {
      const int32_t value = input.GetEnumOr({}).value;
      if (member(value)) return value;
      notAValue(value);
      return 0;
    }
    case BindingKind::String: {
      const std::string_view text = input.GetStringOr({});
      if (enumeration != nullptr && enumeration->isEnum) {
        if (auto named = enumeration->values.find(text); named != enumeration->values.end()) {
          return named->second.value;
        }
      }
      // The number's own failure is replaced by the enumeration's message.
      BindingResult number = BindingResult::Ok();
      const int64_t value =
          SignedFromBinding(number, input, path, SignedBounds{INT64_MIN, INT64_MAX, enumName});
      if (number.ok() && member(value)) return static_cast<int32_t>(value);
      notAValue(text);
      return 0;
    }
    case BindingKind::Bool:
    case BindingKind::Float:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      status.SetFailure(FormatText(kEnumInvalidType, path, BindingKindName(input.kind())));
      return 0;
  }
  return 0;
}

std::string TextFromBinding(BindingResult& status, const BindingProperty& input,
                            std::string_view path, const EnumNameLookup& names) {
  if (!status.ok()) return {};
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return {};
    case BindingKind::String:
      return std::string(input.GetStringOr({}));
    case BindingKind::Enum: {
      const BindingEnum value = input.GetEnumOr({});
      if (auto name = names.NameOfEnumValue(value.value, value.type)) return std::string(*name);
      status.SetFailure(FormatText(kNotEnumValue, value.value, path));
      return {};
    }
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      status.SetFailure(FormatText(kNotString, path));
      return {};
  }
  return {};
}

void ObjectFromBinding(BindingResult& status, BindingProperty& target,
                       const BindingProperty& input) {
  if (!status.ok()) return;
  target = input;
}

std::vector<uint8_t> BlobFromBinding(BindingResult& status, const BindingProperty& input,
                                     std::string_view path) {
  if (!status.ok()) return {};
  switch (input.kind()) {
    case BindingKind::Empty:
      RequireValue(status, path);
      return {};
    case BindingKind::Blob: {
      const std::span<const uint8_t> bytes = input.GetBlobOr({});
      return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    case BindingKind::Bool:
    case BindingKind::Signed:
    case BindingKind::Unsigned:
    case BindingKind::Float:
    case BindingKind::String:
    case BindingKind::Enum:
    case BindingKind::Collection:
    case BindingKind::Structure:
      InvalidType(status, path, TypeCodeName(TypeCode::Blob), input.kind());
      return {};
  }
  return {};
}

void StructFromBinding(BindingResult& status, void* target, const BindingProperty& input,
                       std::string_view path, const TypeInfo* structure,
                       const BindingRegistry& registry) {
  if (!status.ok()) return;
  // Fields and elements skip Empty values before they get here, so an Empty input is a
  // whole argument or body that is missing.
  if (input.IsEmpty()) {
    RequireValue(status, path);
    return;
  }
  if (structure == nullptr || structure->isEnum) {
    status.SetFailure(FormatText(kUnregisteredStructure, path));
    return;
  }
  if (input.kind() != BindingKind::Structure) {
    status.SetFailure(FormatText(kNotStructure, path, structure->name));
    return;
  }
  auto* base = static_cast<unsigned char*>(target);
  for (const FieldRecord& field : structure->fields) {
    if (!status.ok()) return;
    const BindingProperty& member = input.FieldOrEmpty(field.name);
    if (member.IsEmpty()) {
      if ((field.flags & kFieldRequiredOnInput) != 0) {
        status.SetFailure(FormatText(kMissingRequiredField, path, structure->name, field.name));
      }
      continue;
    }
    if (field.converter == nullptr) continue;
    field.converter->FromBinding(status, base + field.offset, member, field.name,
                                 field.type.info, registry);
  }
}

bool CheckVectorInput(BindingResult& status, const BindingProperty& input,
                      std::string_view path) {
  if (!status.ok()) return false;
  if (input.kind() != BindingKind::Collection) {
    status.SetFailure(FormatText(kVectorNotCollection, path));
    return false;
  }
  return true;
}

bool CheckMapInput(BindingResult& status, const BindingProperty& input, std::string_view path) {
  if (!status.ok()) return false;
  if (input.kind() != BindingKind::Structure) {
    status.SetFailure(FormatText(kMapNotStructure, path));
    return false;
  }
  return true;
}

void StructToBinding(BindingResult& result, const void* source, const TypeInfo* structure,
                     const BindingRegistry& registry) {
  BindingResult status = BindingResult::Ok();
  BindingProperty out;
  StructToBindingInto(status, out, source, structure, registry);
  if (!status.ok()) {
    result.SetFailure(status.message());
    return;
  }
  result.SetValue(std::move(out));
}

void StructToBindingInto(BindingResult& status, BindingProperty& target, const void* source,
                         const TypeInfo* structure, const BindingRegistry& registry) {
  if (structure == nullptr || structure->isEnum) {
    status.SetFailure(kUnregisteredNativeStructure);
    return;
  }
  target.Reset();
  target.MakeStructure();
  detail::ReserveFields(target, structure->fields.size());
  const auto* base = static_cast<const unsigned char*>(source);
  for (const FieldRecord& field : structure->fields) {
    if (field.converter == nullptr) continue;
    const bool skipDefault = (field.flags & kFieldSkipDefaultOnOutput) != 0;
    const std::size_t fieldsBefore = target.size();
    BindingProperty& member = target.MutableField(field.name);
    if (skipDefault && target.size() == fieldsBefore) {
      // A second record of the same name: a default value must leave the first one's value
      // in place, so this one is converted aside.
      BindingResult converted = BindingResult::Ok();
      field.converter->ToBinding(converted, base + field.offset, field.type.info, registry);
      if (!converted.ok()) {
        status.SetFailure(converted.message());
        return;
      }
      if (!IsDefaultBindingValue(converted.value())) member = std::move(converted).value();
      continue;
    }
    field.converter->ToBindingInto(status, member, base + field.offset, field.type.info,
                                   registry);
    if (!status.ok()) return;
    if (skipDefault && IsDefaultBindingValue(member)) target.RemoveField(field.name);
  }
}

bool IsDefaultBindingValue(const BindingProperty& value) noexcept {
  switch (value.kind()) {
    case BindingKind::Empty:
      return true;
    case BindingKind::Bool:
      return !value.GetBoolOr(false);
    case BindingKind::Signed:
      return value.GetSignedOr(1) == 0;
    case BindingKind::Unsigned:
      return value.GetUnsignedOr(1) == 0;
    case BindingKind::Float:
      return value.GetFloatOr(1.0) == 0.0;
    case BindingKind::String:
    case BindingKind::Blob:
    case BindingKind::Collection:
    case BindingKind::Structure:
      return value.size() == 0;
    case BindingKind::Enum:
      return value.GetEnumOr({}).value == 0;
  }
  return false;
}

}  // namespace Vela
