#include "plugin/error_responses.h"

#include <string>

namespace Vela {

RestFailure NotFound(std::string_view message) {
  return RestFailure{kNotFoundStatus, std::string(message.empty() ? kNotFoundMessage : message)};
}

RestFailure InternalServerError(std::string_view message) {
  return RestFailure{kInternalServerErrorStatus,
                     std::string(message.empty() ? kInternalServerErrorMessage : message)};
}

}  // namespace Vela
