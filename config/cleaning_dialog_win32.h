// The stabilization and cleaning dialog (template 17), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Shows the instrument's cleaning configuration read on the context's Connection, writes
// the entries on Save and reads them back; closes at once, after its message, when the
// configuration cannot be read. Keeps its own copy of the context; every command runs on
// the calling (user interface) thread.
INT_PTR open_cleaning_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
