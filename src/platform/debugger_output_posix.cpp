#include "platform/debugger_output.h"

#include <mutex>

namespace Vela::Platform {
namespace {

struct ObserverSlot {
  std::mutex mutex;
  DebuggerOutputObserver observer = nullptr;
  void* context = nullptr;
};

ObserverSlot& Slot() {
  static ObserverSlot slot;
  return slot;
}

}  // namespace

// No debugger channel exists here: only an installed observer sees the text.
void WriteDebuggerOutput(const char* text) {
  ObserverSlot& slot = Slot();
  std::lock_guard<std::mutex> guard(slot.mutex);
  if (slot.observer != nullptr && text != nullptr) {
    slot.observer(text, slot.context);
  }
}

void SetDebuggerOutputObserver(DebuggerOutputObserver observer, void* context) {
  ObserverSlot& slot = Slot();
  std::lock_guard<std::mutex> guard(slot.mutex);
  slot.observer = observer;
  slot.context = context;
}

}  // namespace Vela::Platform
