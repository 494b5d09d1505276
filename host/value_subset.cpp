#include "value_subset.h"

#include <cstdint>
#include <vector>

#include "codecs/json.h"

namespace Vela::Host {
namespace {

bool IsNumber(BindingKind kind) {
  return kind == BindingKind::Signed || kind == BindingKind::Unsigned || kind == BindingKind::Float;
}

// Integers compare exactly (a negative signed value never equals an unsigned one); a float
// on either side compares as a double.
bool NumbersEqual(const BindingProperty& a, const BindingProperty& b) {
  if (a.kind() == BindingKind::Float || b.kind() == BindingKind::Float) {
    const auto asDouble = [](const BindingProperty& v) {
      switch (v.kind()) {
        case BindingKind::Signed: return static_cast<double>(v.GetSignedOr(0));
        case BindingKind::Unsigned: return static_cast<double>(v.GetUnsignedOr(0));
        default: return v.GetFloatOr(0.0);
      }
    };
    return asDouble(a) == asDouble(b);
  }
  if (a.kind() == b.kind()) {
    return a.kind() == BindingKind::Signed ? a.GetSignedOr(0) == b.GetSignedOr(0)
                                           : a.GetUnsignedOr(0) == b.GetUnsignedOr(0);
  }
  const BindingProperty& signedOne = a.kind() == BindingKind::Signed ? a : b;
  const BindingProperty& unsignedOne = a.kind() == BindingKind::Signed ? b : a;
  const int64_t s = signedOne.GetSignedOr(0);
  return s >= 0 && static_cast<uint64_t>(s) == unsignedOne.GetUnsignedOr(0);
}

std::string Mismatch(const std::string& at, const BindingProperty& expected, const BindingProperty& actual) {
  return "at " + at + ": expected " + ValueText(expected) + ", found " + ValueText(actual);
}

// Walks with an explicit stack: expectations are small, but the plugin's answers are not
// bounded in depth.
struct Pending {
  const BindingProperty* expected;
  const BindingProperty* actual;
  std::string at;
};

}  // namespace

std::string ValueText(const BindingProperty& value) {
  return value.IsEmpty() ? std::string("null") : WriteJson(value);
}

std::string SubsetMismatch(const BindingProperty& expected, const BindingProperty& actual, std::string_view root) {
  std::vector<Pending> stack{{&expected, &actual, std::string(root)}};
  while (!stack.empty()) {
    Pending item = std::move(stack.back());
    stack.pop_back();
    const BindingProperty& want = *item.expected;
    const BindingProperty& have = *item.actual;
    if (IsNumber(want.kind())) {
      if (!IsNumber(have.kind()) || !NumbersEqual(want, have)) return Mismatch(item.at, want, have);
      continue;
    }
    if (want.kind() != have.kind()) return Mismatch(item.at, want, have);
    if (want.kind() == BindingKind::Structure) {
      // Pushed in reverse so that the first field in order is examined first.
      const auto fields = want.Fields();
      for (std::size_t i = fields.size(); i-- > 0;) {
        const std::string_view name = fields[i].name();
        bool present = false;
        for (const BindingField& field : have.Fields()) present = present || field.name() == name;
        std::string at = item.at + "." + std::string(name);
        if (!present) return "at " + at + ": missing, expected " + ValueText(fields[i].value());
        stack.push_back(Pending{&fields[i].value(), &have.FieldOrEmpty(name), std::move(at)});
      }
      continue;
    }
    if (want.kind() == BindingKind::Collection) {
      if (want.size() != have.size()) {
        return "at " + item.at + ": expected " + std::to_string(want.size()) + " elements, found " +
               std::to_string(have.size()) + ": " + ValueText(have);
      }
      const auto elements = want.Elements();
      for (std::size_t i = elements.size(); i-- > 0;) {
        stack.push_back(Pending{&elements[i], &have.ElementOrEmpty(i), item.at + "[" + std::to_string(i) + "]"});
      }
      continue;
    }
    if (!(want == have)) return Mismatch(item.at, want, have);
  }
  return {};
}

}  // namespace Vela::Host
