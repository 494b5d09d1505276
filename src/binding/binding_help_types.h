// The API help types: the native structures the Full help format is made of, and the
// format enumeration. The registry registers them when it is initialised, tagged
// "$builtin" and "help", so that the help can convert itself through the registry.
//
//   BindingFullTypeHelp help;            // filled from a TypeInfo (rest/api_help.h)
//   BindingResult value = ToBinding(help, registry);
//
// Field order is the registration order, which is also the order help lists them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/static_type.h"

namespace Vela {

class BindingRegistry;

enum class BindingHelpFormat : int32_t {
  Full = 1,     // structured, made of the help types below
  Epytext = 2,  // one epytext text per item
};

struct BindingFullTypeIdentifier {
  std::string type;
  std::string elementType;  // of vectors and maps; empty otherwise
  friend bool operator==(const BindingFullTypeIdentifier&, const BindingFullTypeIdentifier&) = default;
};

struct BindingFullArgumentHelp {
  std::string name;
  std::string description;
  BindingFullTypeIdentifier type;
  bool optional = false;
  friend bool operator==(const BindingFullArgumentHelp&, const BindingFullArgumentHelp&) = default;
};

struct BindingFullFunctionHelp {
  std::string name;
  std::string nameSpace;
  std::vector<BindingFullArgumentHelp> arguments;
  BindingFullTypeIdentifier returns;
  std::string description;
  std::string help;
  bool threadSafe = false;
  std::string async;  // the asynchronous event type's name; empty when not asynchronous
  std::vector<std::string> tags;
  friend bool operator==(const BindingFullFunctionHelp&, const BindingFullFunctionHelp&) = default;
};

struct BindingFullEnumValueHelp {
  std::string name;
  std::string description;
  int32_t value = 0;
  friend bool operator==(const BindingFullEnumValueHelp&, const BindingFullEnumValueHelp&) = default;
};

struct BindingFullFieldHelp {
  std::string name;
  std::string description;
  uint32_t offset = 0;
  BindingFullTypeIdentifier type;
  bool optional = false;
  friend bool operator==(const BindingFullFieldHelp&, const BindingFullFieldHelp&) = default;
};

struct BindingFullTypeHelp {
  std::string name;
  std::string nameSpace;
  uint32_t size = 0;
  std::string description;
  std::vector<std::string> tags;
  std::vector<BindingFullFieldHelp> fields;
  std::vector<BindingFullEnumValueHelp> values;
  friend bool operator==(const BindingFullTypeHelp&, const BindingFullTypeHelp&) = default;
};

struct BindingFullEventHelp {
  std::string name;
  std::string nameSpace;
  BindingFullTypeIdentifier type;
  std::string description;
  std::vector<std::string> tags;
  friend bool operator==(const BindingFullEventHelp&, const BindingFullEventHelp&) = default;
};

struct BindingFullApiHelp {
  std::vector<BindingFullFunctionHelp> functions;
  std::vector<BindingFullTypeHelp> types;
  std::vector<BindingFullEventHelp> events;
  friend bool operator==(const BindingFullApiHelp&, const BindingFullApiHelp&) = default;
};

// Registers BindingHelpFormat and then the help structures above, in the order they are
// declared; names already registered keep their existing types.
void RegisterHelpTypes(BindingRegistry& registry);

}  // namespace Vela

VELA_STATIC_TYPE(Vela::BindingHelpFormat);
VELA_STATIC_TYPE(Vela::BindingFullTypeIdentifier);
VELA_STATIC_TYPE(Vela::BindingFullArgumentHelp);
VELA_STATIC_TYPE(Vela::BindingFullFunctionHelp);
VELA_STATIC_TYPE(Vela::BindingFullEnumValueHelp);
VELA_STATIC_TYPE(Vela::BindingFullFieldHelp);
VELA_STATIC_TYPE(Vela::BindingFullTypeHelp);
VELA_STATIC_TYPE(Vela::BindingFullEventHelp);
VELA_STATIC_TYPE(Vela::BindingFullApiHelp);
