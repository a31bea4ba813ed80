// The real-time clock dialog (template 164), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Shows the instrument's clock, read once a second by the dialog's own Poller on the
// context's Connection, and sets it on Set Now to the picked moment or the PC's local time.
// The Poller lives exactly as long as the dialog's window; its routine only publishes the
// panel text, which the dialog applies on its own thread. Set Now runs on the calling
// (user interface) thread.
INT_PTR open_clock_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
