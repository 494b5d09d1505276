// A simulated sibling plugin: answers the requests that the plugin under test sends to
// other plugins' REST functions through the host's Request function.
//
//   class LoginPlugin final : public SiblingPlugin {
//     std::string_view Name() const override { return "arx-login"; }
//     std::vector<SiblingRoute> Routes() const override { return {{2, "/arx-login/v1/session"}}; }
//     SiblingReply Handle(const SiblingRequest& request) override { return SiblingReply::Value(session); }
//   };
//   host.AddSibling(std::make_shared<LoginPlugin>());
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"

namespace Vela::Host {

// A method code (HttpMethod numbering: 1 DELETE, 2 GET, ... 6 POST, 7 PUT) and an exact
// path, without query string.
struct SiblingRoute {
  uint32_t method = 0;
  std::string path;
};

struct SiblingRequest {
  uint32_t method = 0;
  std::string path;  // as sent, query string included
  std::vector<BindingProperty> arguments;  // decoded, in order
  uint32_t cookie = 0;  // the request context word the plugin passed (its cookie)
};

struct SiblingReply {
  uint32_t status = 200;
  BindingProperty value;
  // Not empty: the reply is a failure with this message.
  std::string error;
  // Not empty: the body is handed out as a stream in these pieces instead of `value`.
  std::vector<std::string> streamedBody;

  static SiblingReply Value(BindingProperty value, uint32_t status = 200);
  static SiblingReply Failure(uint32_t status, std::string message);
  static SiblingReply Streamed(std::vector<std::string> pieces, uint32_t status = 200);
};

class SiblingPlugin {
 public:
  virtual ~SiblingPlugin() = default;
  virtual std::string_view Name() const = 0;
  // The routes this plugin answers; read once, when it is added to the host.
  virtual std::vector<SiblingRoute> Routes() const = 0;
  virtual SiblingReply Handle(const SiblingRequest& request) = 0;
};

}  // namespace Vela::Host
