#include "calls/lcds_calls.h"

#include "calls/call_failure.h"
#include "util/format_text.h"

namespace Vela {

std::string LcdsEventName(std::string_view className) {
  std::string name(kLcdsEventPrefix);
  name.reserve(name.size() + className.size());
  for (char c : className) name += c == '.' ? '_' : c;
  return name;
}

MaybeType<Failure, bool> LcdsCalls::ParametersNotConverted(std::string_view error) {
  return MaybeType<Failure, bool>::FromFailureValue(MakeCallFailure(kLcdsParametersNotConvertedTemplate, {error}));
}

MaybeType<Failure, bool> LcdsCalls::InvokeConverted(std::string_view destination,
                                                    std::string_view operation,
                                                    BindingProperty argument) {
  // The remote operation's argument list.
  BindingProperty arguments;
  arguments.MakeCollection();
  arguments.Append() = std::move(argument);
  return Send(context_, HttpMethod::Post, kLcdsInvokePath, std::string(destination),
              std::string(operation), arguments);
}

void LcdsCalls::StoreHandler(std::string_view className, Adapter adapter) {
  handlers_.insert_or_assign(std::string(className), std::make_shared<const Adapter>(std::move(adapter)));
}

bool LcdsCalls::HasHandler(std::string_view className) const {
  return handlers_.find(className) != handlers_.end();
}

void LcdsCalls::HandleEvent(const Plugin::PluginLcdsEvent& event) {
  const auto found = handlers_.find(event.typeName);
  if (found == handlers_.end()) return;
  const std::string label = FormatText(kLcdsEventTaskLabel, event.typeName);
  // The handler is chosen when the message arrives: a subscription replaced while the task
  // waits takes only later messages. The task shares the adapter, so replacing it is safe.
  context_.PostTask(label, std::numeric_limits<int64_t>::min(),
                    [adapter = found->second, message = event] { (*adapter)(message); });
}

}  // namespace Vela
