// Layout shared by the views: each fills the main window's client area above the status
// bar, whose height it asks the main window for once while it initialises.
#pragma once

#include <windows.h>

namespace tq {

// Sends MSG_STATUS_HEIGHT to the view's parent; 0 when the parent does not answer.
[[nodiscard]] int query_status_height(HWND view);

// Places the view at (0, 0) with width = client width - 1 and height = client height -
// status height + 1, without changing the Z order, and shows it.
void fill_parent_above_status(HWND view, int status_height);

// Sizes a view's list to the rest of the client area right of its left panel (of
// `panel_width` pixels) and above the status bar; the list keeps its position.
void size_list_beside_panel(HWND view, int list_id, int panel_width, int status_height);

// Width in pixels of a control's window rectangle.
[[nodiscard]] int control_width(HWND dialog, int control_id);

}  // namespace tq
