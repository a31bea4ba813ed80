// The Run view: the child view shown while an instrument is connected, with the live
// status, run control and the sample log.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Creates the view (template 177) inside the main window with its own copy of the
// context; null on failure. The view owns one Poller for its life (stopped when it is
// destroyed, and around Clear Log); its routine holds its own reference to the
// Connection and reaches the view only through its poll feed. User-interface thread only.
HWND create_run_view(HWND main_window, const WindowContext& context);

}  // namespace tq
