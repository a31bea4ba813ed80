// The flow meter dialog (template 65), modal.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Shows the flow meter's pulses per litre read on the context's Connection and writes the
// entry on Save; closes at once, after its message, when the block cannot be read. Keeps
// its own copy of the context; every command runs on the calling (user interface) thread.
INT_PTR open_flow_meter_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
