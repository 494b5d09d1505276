// The event type of a resource event as a word ("Create", "Update", "Delete"): the plugin
// fires the number of its enumeration, scenario files and the event stream show the word.
#pragma once

#include <string>

#include "binding/binding_property.h"

namespace Vela::Host {

// `type` is the payload's "eventType" field: a word is kept, a number becomes its word (an
// unknown number its decimal text), anything else an empty text.
std::string ResourceEventTypeWord(const BindingProperty& type);

}  // namespace Vela::Host
