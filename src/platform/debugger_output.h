// The debugger's output channel (OutputDebugStringA). POSIX has no such channel: there
// the text goes nowhere, but an observer installed by tests sees every call.
#pragma once

namespace Vela::Platform {

void WriteDebuggerOutput(const char* text);

using DebuggerOutputObserver = void (*)(const char* text, void* context);

// Installs (or, with nullptr, removes) the observer; meant for tests.
void SetDebuggerOutputObserver(DebuggerOutputObserver observer, void* context);

}  // namespace Vela::Platform
