// The window kit: what every dialog procedure of the program is built from.
//
// - The window's context (window_context.h) arrives as the creation parameter; a window
//   keeps its own copy in its state record (dialog_frame_win32.h).
// - Decide, then apply: the window's portable logic returns a WindowFace or list rows,
//   and these helpers put them on the controls. They change only what differs, so a
//   refresh every second neither flickers nor moves the caret, and a control that loses
//   its enabled state while it has the keyboard focus hands the focus on.
// - Polled windows: a PollSession (poll_feed.h) whose feed notifies the window with
//   kMsgPollReport; the window takes and applies the records when that message arrives.
//
// User-interface thread only.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "ui/poll_feed.h"
#include "ui/window_context.h"
#include "ui/window_face.h"

namespace tq {

// Posted by a poll feed to its window; wParam and lParam are 0. In the WM_APP range, so
// no dialog-manager or control message shares its number.
inline constexpr UINT kMsgPollReport = WM_APP + 1;

// The window context a view or dialog was created with (its creation parameter); null
// when it was given none.
[[nodiscard]] inline const WindowContext* context_of(LPARAM creation_parameter) {
  return reinterpret_cast<const WindowContext*>(creation_parameter);
}
[[nodiscard]] inline LPARAM as_creation_parameter(const WindowContext& context) {
  return reinterpret_cast<LPARAM>(&context);
}

// Sets a control's text as it is, of any length; nothing happens when it already shows it.
void set_item_text(HWND dialog, int control_id, std::string_view text);

void apply_texts(HWND dialog, std::span<const ControlText> texts);
void apply_enabled(HWND dialog, std::span<const ControlFlag> enabled);
void apply_checked(HWND dialog, std::span<const ControlFlag> checked);
void apply_face(HWND dialog, const WindowFace& face);

// Inserts or rewrites one row of a report-style list (the colour as the item's parameter)
// and scrolls it fully into view if the list's end was in view. A row that cannot be
// inserted is left out.
void apply_list_row(HWND dialog, int list_id, const ListRow& row);
void delete_list_rows(HWND dialog, int list_id);

// Rows that arrive together, applied as apply_list_row does them one by one, but with the
// list's drawing held from the second row on and only the last row scrolled into view, when
// the batch ends: a list that draws and scrolls for each of many rows keeps its window from
// answering (under Wine a few milliseconds a row).
//
// The list follows its newest row as a terminal follows its output: only while the operator
// has not scrolled away from the end. A list whose last row was out of view when the batch
// began stays where it is, so older rows can be read while new ones arrive.
class ListRowBatch {
 public:
  ListRowBatch(HWND dialog, int list_id);
  ~ListRowBatch();
  ListRowBatch(const ListRowBatch&) = delete;
  ListRowBatch& operator=(const ListRowBatch&) = delete;

  void apply(const ListRow& row);
  void delete_first_row();  // the oldest row, as a window that keeps a fixed number does
  void delete_all_rows();

 private:
  void hold_drawing();

  HWND list_ = nullptr;
  int changes_ = 0;
  int last_ = -1;  // the row to scroll into view
  bool held_ = false;
  bool follows_ = true;  // the list's end was in view when the batch began
};

// Gives the keyboard focus to the dialog's first tab stop (or to nothing when it has
// none), so Escape, Tab and Enter work without a click into the window first.
void focus_first_tab_stop(HWND dialog);

// A notification for a poll feed that posts kMsgPollReport to `window`.
[[nodiscard]] inline std::function<bool()> post_poll_report_to(HWND window) {
  return [window] { return PostMessageA(window, kMsgPollReport, 0, 0) != FALSE; };
}

}  // namespace tq
