// The modal configuration dialogs opened from the main window's menu.
#pragma once

#include <windows.h>

#include "link/connection.h"

namespace tq {

// Runs the modal dialog with template `template_id`, owned by `owner`, on the current
// Connection. Returns the dialog's result; 0 when no dialog has that template.
INT_PTR open_modal_dialog(int template_id, HWND owner, const ConnectionRef& connection);

}  // namespace tq
