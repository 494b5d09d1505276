// PluginLogTarget: the log target that hands every line of the plugin to the host's Log
// function instead of printing it. The host receives only the level number and the
// message; date, level name and group are the host's to add.
//
//   auto target = std::make_unique<PluginLogTarget>(hostApi->table);
//   target->SetLevel(MinimumLevel());
//   target->Attach();
#pragma once

#include <string_view>

#include "logging/log_target.h"

namespace Vela {

struct HostFunctionTable;

inline constexpr std::string_view kPluginLogTargetName = "PluginLogTarget";

class PluginLogTarget final : public LogTarget {
 public:
  // `host` must outlive the target (the module destroys the target before it stops).
  explicit PluginLogTarget(HostFunctionTable* host);
  ~PluginLogTarget() override;

  std::string_view Name() const override;
  // Calls the host's Log with the record's level number and message; always true.
  bool Write(const LogRecord& record) override;
  void Flush() override {}

 private:
  HostFunctionTable* host_;
};

}  // namespace Vela
