// Keeps the window alive during long work: the front-end installs its pump
// (the Win32 message loop step, or Qt's processEvents); the core only calls it.
#pragma once

#include <functional>

namespace fenmarrow {

// Installs the pump; an empty function removes it. Tests run with none.
void SetMessagePump(std::function<void()> pump);

// Dispatches the window messages that are waiting, then returns. Does
// nothing when no pump is installed.
void PumpPendingMessages();

}  // namespace fenmarrow
