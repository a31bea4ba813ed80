// The task table: the firmware's tasks with their stacks and states, and the per-task
// log filters that Save sends to the instrument.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Runs the modal dialog (template 208) owned by `owner` with its own copy of the context;
// returns 2 when closed by the operator, 0 when it could not show the tasks. The
// dialog's commands run on this thread and share the Connection with any Poller.
INT_PTR open_task_table_dialog(HWND owner, const WindowContext& context);

}  // namespace tq
