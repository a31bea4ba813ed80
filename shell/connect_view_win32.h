// The Connect view: the child view shown while no instrument is connected.
#pragma once

#include <windows.h>

namespace tq {

// Creates the view (template 32) inside the main window; null on failure.
HWND create_connect_view(HWND main_window);

}  // namespace tq
