// Private window messages between the views and the main window. Plain numbers (WM_USER
// is 0x400) so the portable code can name them too.
#pragma once

namespace tq {

// Sent by a view while it lays itself out. wParam 0; lParam points to a signed 32-bit
// integer that receives the status bar's outer height + 1.
inline constexpr unsigned kMsgStatusHeight = 0x400 + 1;
// Posted by the Run and Diagnostics views. wParam the view id, lParam the running flag.
inline constexpr unsigned kMsgViewState = 0x400 + 3;
// Posted by the Connect view. wParam 0; lParam a heap ConnectionRef* whose ownership
// passes to the main window (see connection_message_win32.h).
inline constexpr unsigned kMsgConnected = 0x400 + 4;

}  // namespace tq

#define MSG_STATUS_HEIGHT (::tq::kMsgStatusHeight)
#define MSG_VIEW_STATE (::tq::kMsgViewState)
#define MSG_CONNECTED (::tq::kMsgConnected)
