// The Diagnostics view: the instrument's health read-outs and diagnostic log.
#pragma once

#include <windows.h>

#include "link/connection.h"

namespace tq {

// Creates the view (template 42) inside the main window with its own reference to the
// Connection; null on failure.
HWND create_diagnostics_view(HWND main_window, const ConnectionRef& connection);

}  // namespace tq
