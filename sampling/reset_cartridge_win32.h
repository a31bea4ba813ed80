// The Reset Cartridge ID dialog: replaces the ID of the cartridge in the sample slot.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Runs the dialog (template 130) modally, owned by `owner` (the Run view), on the
// context's Connection. Ends with IDOK after OK, IDCANCEL after Cancel or a failed read.
// User-interface thread only.
INT_PTR open_reset_cartridge_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
