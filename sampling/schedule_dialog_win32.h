// The sampling schedule dialog (template 8), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Reads the schedule on the context's Connection, lets the operator edit it and writes it
// back on Save; closes at once, after its message, when the schedule cannot be read. The
// dialog keeps its own copy of the context and runs every command on the calling (user
// interface) thread. Returns the dialog's result (2 when it is left).
INT_PTR open_schedule_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
