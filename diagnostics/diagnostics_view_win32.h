// The Diagnostics view: the instrument's health read-outs and diagnostic log.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Creates the view (template 42) inside the main window with its own copy of the
// context; null on failure.
HWND create_diagnostics_view(HWND main_window, const WindowContext& context);

}  // namespace tq
