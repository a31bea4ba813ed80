// Handing a new Connection from the Connect view to the main window through a posted
// MSG_CONNECTED: lParam carries a heap ConnectionRef whose ownership travels with it.
#pragma once

#include <windows.h>

#include "link/connection.h"

namespace tq {

// Posts MSG_CONNECTED to `target`. False when the post failed; the Connection is then
// released here, never leaked.
bool post_connected(HWND target, ConnectionRef connection);

// Takes ownership of the ConnectionRef a MSG_CONNECTED carries (null for lParam 0).
[[nodiscard]] ConnectionRef adopt_connected(LPARAM lparam);

// Removes the MSG_CONNECTED messages still queued for `target` and releases what they
// carry: a window that closes must not leave an open port behind in its queue.
void discard_pending_connected(HWND target);

}  // namespace tq
