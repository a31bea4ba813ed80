// The device identification dialog (template 201), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Shows the instrument's name and serial number read on the context's Connection, checks
// them as they are typed and saves them; closes after every save, and at once when the
// identity cannot be read. The main window shows a new name when it next connects. Keeps
// its own copy of the context; every command runs on the calling (user interface) thread.
INT_PTR open_identity_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
