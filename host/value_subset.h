// Whether a value holds another as a subset: how a scenario's expectations compare what
// they name with what the plugin answered or published, without spelling out every field.
//
//   SubsetMismatch(expected {reason: Leaver}, actual {id: 1, reason: Leaver, ...})  // ""
//   SubsetMismatch(expected {reason: Leaver}, actual {reason: Banned})
//     // "at reason: expected \"Leaver\", found \"Banned\""
//
// Rules: a structure holds the expected structure's fields (others may be present), each as
// a subset; a collection has exactly as many elements, each a subset of the expected one at
// its place; numbers compare by value whatever their kind (1, 1.0 and unsigned 1 agree);
// every other value must be equal, of the same kind.
#pragma once

#include <string>
#include <string_view>

#include "binding/binding_property.h"

namespace Vela::Host {

// The first place where `actual` does not hold `expected`, as "at PATH: ..."; the empty
// text when it holds. `root` names the top (e.g. "value"); nested places follow it
// ("value.reason", "value.chatLogs[2]").
[[nodiscard]] std::string SubsetMismatch(const BindingProperty& expected, const BindingProperty& actual,
                                         std::string_view root = "value");

// The value as one line of compact JSON; an empty value as "null".
[[nodiscard]] std::string ValueText(const BindingProperty& value);

}  // namespace Vela::Host
