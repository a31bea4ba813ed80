// The Run view: the child view shown while an instrument is connected.
#pragma once

#include <windows.h>

#include "shell/window_context.h"

namespace tq {

// Creates the view (template 177) inside the main window with its own copy of the
// context; null on failure.
HWND create_run_view(HWND main_window, const WindowContext& context);

}  // namespace tq
