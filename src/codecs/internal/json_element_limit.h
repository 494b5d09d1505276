// ParseJson with the number of elements a Collection may take as a parameter: ParseJson
// passes kMaxCollectionElements; a smaller limit reaches the failure of a full Collection
// without a document of hundreds of megabytes.
#pragma once

#include <cstddef>

#include "binding/maybe_type.h"

namespace Vela::detail {

[[nodiscard]] BindingResult ParseJsonWithElementLimit(const char* text, std::size_t maxElements);

}  // namespace Vela::detail
