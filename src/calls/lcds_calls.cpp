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
  if (!HasHandler(event.typeName)) return;
  const std::string label = FormatText(kLcdsEventTaskLabel, event.typeName);
  // The handler is looked up when the task runs: a subscription replaced in between takes
  // the message, and after Shutdown there is none.
  context_.PostTask(label, std::numeric_limits<int64_t>::min(), [this, message = event] {
    auto found = handlers_.find(message.typeName);
    if (found == handlers_.end()) return;
    std::shared_ptr<const Adapter> adapter = found->second;
    (*adapter)(message);
  });
}

}  // namespace Vela
