// Private window messages between the views and the main window. Their numbers are fixed
// (WM_USER is 0x400), and WM_USER numbers are shared with the dialog manager and the
// controls, so each one says which message it coincides with; only the main window takes
// them, and it tells them apart by their parameters where they coincide. Plain numbers so
// that the portable code can name them too. A window's own private messages use the WM_APP
// range instead (kMsgPollReport, window_kit_win32.h).
#pragma once

namespace tq {

// Sent by a view while it lays itself out. wParam 0; lParam points to a signed 32-bit
// integer that receives the status bar's outer height + 1. Fixed at WM_USER+1, which is
// also DM_SETDEFID (wParam an id, lParam 0): a request without an address is ignored.
inline constexpr unsigned kMsgStatusHeight = 0x400 + 1;
// Posted by the Run and Diagnostics views. wParam the view id, lParam the running flag.
// Fixed at WM_USER+3, one past the dialog manager's last (DM_REPOSITION, WM_USER+2).
inline constexpr unsigned kMsgViewState = 0x400 + 3;
// Posted by the Connect view. wParam 0; lParam a heap ConnectionRef* whose ownership
// passes to the main window (see connection_message_win32.h). Fixed at WM_USER+4, which
// no dialog-manager message shares.
inline constexpr unsigned kMsgConnected = 0x400 + 4;
// Posted by the Run and Diagnostics views when what they know of the link changes. wParam a
// LinkState (below), lParam 0. Fixed at WM_USER+5, which no dialog-manager message shares.
inline constexpr unsigned kMsgLinkState = 0x400 + 5;

// What a view learnt of the link (MSG_LINK_STATE).
enum class LinkState : int {
  kAnswering = 0,        // polls are answered (again)
  kLost = 1,             // the port reports the line gone, or polls go unanswered
  kOtherInstrument = 2,  // the port came back, and another instrument answers on it
  kReopened = 3,         // the port came back; which instrument answers is not known yet
};

}  // namespace tq

#define MSG_STATUS_HEIGHT (::tq::kMsgStatusHeight)
#define MSG_VIEW_STATE (::tq::kMsgViewState)
#define MSG_CONNECTED (::tq::kMsgConnected)
#define MSG_LINK_STATE (::tq::kMsgLinkState)
