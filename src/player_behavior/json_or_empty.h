// JSON text carried inside back-end messages (a ban description, a restriction's first
// parameter). Text that does not parse reads as an empty document, whose members all read
// as absent: the rules then fall back to their defaults instead of failing.
//
//   const BindingProperty doc = ParseJsonOrEmpty(R"({"restrictionType":"IN_GAME_CHAT"})");
#pragma once

#include <string>
#include <utility>

#include "codecs/json.h"

namespace Vela::Client::PlayerBehavior {

[[nodiscard]] inline BindingProperty ParseJsonOrEmpty(const std::string& text) {
  BindingResult parsed = ParseJson(text);
  return parsed.ok() ? std::move(parsed).value() : BindingProperty();
}

}  // namespace Vela::Client::PlayerBehavior
