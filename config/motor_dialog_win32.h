// The motor configuration dialog (template 74), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Reads the five motors' configurations and starts the sensors on the context's
// Connection, closing at once with a message when either fails; while open, drives,
// saves and tests motors, and on leaving stops the motor, ends motor control and stops
// the sensors. Remembers the motor of the last manual run in the context's settings.
// User-interface thread only; every command runs on it. Returns 0.
INT_PTR open_motor_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
