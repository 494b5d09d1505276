// Answers the registered name of an enumeration value. The registry implements it; the
// host value form and the JSON writer use it to spell enumeration values by name.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Vela {

struct TypeIdentity;

class EnumNameLookup {
 public:
  virtual ~EnumNameLookup() = default;
  // The name of `value` in the enumeration `type`; nullopt when the enumeration is not
  // registered or has no such value. The view lives as long as the registry.
  virtual std::optional<std::string_view> NameOfEnumValue(int32_t value,
                                                          const TypeIdentity* type) const = 0;
};

}  // namespace Vela
