// The Connect view: the child view shown while no instrument is connected.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Creates the view (template 32) inside the main window; null on failure. It lists the
// context's ports, remembers the chosen one in its settings and posts the new Connection
// to the main window (MSG_CONNECTED); it never uses the context's Connection.
HWND create_connect_view(HWND main_window, const WindowContext& context);

}  // namespace tq
