#include "platform/debugger_output.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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

void WriteDebuggerOutput(const char* text) {
  if (text == nullptr) {
    return;
  }
  OutputDebugStringA(text);
  ObserverSlot& slot = Slot();
  std::lock_guard<std::mutex> guard(slot.mutex);
  if (slot.observer != nullptr) {
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
