// The pressure sensor calibration dialog (template 110), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Reads the stored calibration and starts the sensors on the context's Connection,
// closing at once with a message when either fails; while open, samples, fits, saves and
// tests the calibration line, and on leaving stops the sensors. User-interface thread
// only; every command runs on it. Returns 0.
INT_PTR open_pressure_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
