// The Run view: the child view shown while an instrument is connected.
#pragma once

#include <windows.h>

#include "link/connection.h"

namespace tq {

// Creates the view (template 177) inside the main window with its own reference to the
// Connection; null on failure.
HWND create_run_view(HWND main_window, const ConnectionRef& connection);

}  // namespace tq
