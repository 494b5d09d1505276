#include "sibling_plugin.h"

#include <utility>

namespace Vela::Host {

SiblingReply SiblingReply::Value(BindingProperty value, uint32_t status) {
  SiblingReply reply;
  reply.status = status;
  reply.value = std::move(value);
  return reply;
}

SiblingReply SiblingReply::Failure(uint32_t status, std::string message) {
  SiblingReply reply;
  reply.status = status;
  reply.error = std::move(message);
  return reply;
}

SiblingReply SiblingReply::Streamed(std::vector<std::string> pieces, uint32_t status) {
  SiblingReply reply;
  reply.status = status;
  reply.streamedBody = std::move(pieces);
  return reply;
}

}  // namespace Vela::Host
