// The About dialog (template 2), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Asks the instrument on the context's Connection (may be null) for its type and firmware
// version and shows them with the program's version. Returns the id that ended the dialog.
INT_PTR open_about_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
