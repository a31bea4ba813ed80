// The sampling schedule dialog's procedure.
#include "sampling/schedule_dialog_win32.h"

#include <algorithm>

#include "link/commands.h"
#include "sampling/schedule_dialog.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct ScheduleDialogState {
  WindowContext context;
};

// Replaces the dialog's contents with the instrument's schedule; on a failure nothing
// changes and the ResultCode is returned.
int load_schedule(HWND dialog, Connection* connection) {
  ScheduleRecord record;
  const int result = GetSchedule(connection, &record);
  if (result != kResultOk) return result;
  const ScheduleView view = schedule_view(record);
  static_cast<void>(epoch_to_pickers(dialog, view.picker_moment));
  apply_face(dialog, view.face);
  return kResultOk;
}

ScheduleEntries read_entries(HWND dialog) {
  ScheduleEntries entries;
  entries.autostart = is_checked(dialog, IDC_SCHEDULE_AUTOSTART);
  for (const StartChoiceRow& row : kStartChoices) {
    if (is_checked(dialog, row.id)) {
      entries.start_choice = row.choice;
      break;
    }
  }
  entries.picked = pickers_calendar(dialog, IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME);
  for (std::size_t k = 0; k < kWaypointRows.size(); ++k) {
    const WaypointRowIds& ids = kWaypointRows[k];
    WaypointEntry& entry = entries.rows[k];
    entry.enabled = is_checked(dialog, ids.enable);
    entry.offset = window_text(GetDlgItem(dialog, ids.offset));
    entry.samples = window_text(GetDlgItem(dialog, ids.samples));
    entry.volume = window_text(GetDlgItem(dialog, ids.volume));
    entry.timeout = window_text(GetDlgItem(dialog, ids.timeout));
    entry.clean = is_checked(dialog, ids.clean);
  }
  return entries;
}

void refresh_schedule_controls(HWND dialog) {
  ScheduleSwitches switches;
  for (std::size_t k = 0; k < kWaypointRows.size(); ++k) {
    switches.row_enabled[k] = is_checked(dialog, kWaypointRows[k].enable);
  }
  switches.at_or_after = is_checked(dialog, IDC_SCHEDULE_AT_OR_AFTER);
  apply_enabled(dialog, schedule_enabled(switches));
}

bool save_schedule(HWND dialog, Connection* connection) {
  return SetSchedule(connection, build_schedule_record(read_entries(dialog))) == kResultOk;
}

void on_save(HWND dialog, const ScheduleDialogState& state) {
  Connection* connection = state.context.connection.get();
  if (!save_schedule(dialog, connection) || load_schedule(dialog, connection) != kResultOk) {
    MessageBoxA(dialog, kScheduleSaveFailedText, kScheduleSaveCaption, MB_OK);
    return;
  }
  refresh_schedule_controls(dialog);
  MessageBoxA(dialog, kScheduleSavedText, kScheduleSaveCaption, MB_OK);
}

// Copies the instrument's clock into the pickers; the start choice stays as it is.
void on_clock(HWND dialog, const ScheduleDialogState& state) {
  DeviceTime time;
  if (GetClock(state.context.connection.get(), &time) != kResultOk) {
    MessageBoxA(dialog, kScheduleClockFailedText, kScheduleClockCaption, MB_OK);
    return;
  }
  static_cast<void>(epoch_to_pickers(dialog, device_time_to_epoch(time)));
}

// The clock button has no text: a small clock face says what it does.
void paint_clock_button(const DRAWITEMSTRUCT& item) {
  RECT area = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item.hDC, &area, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int size = std::min(area.right - area.left, area.bottom - area.top) - 4;
  if (size < 5) return;
  const int left = (area.left + area.right - size) / 2 + (pushed ? 1 : 0);
  const int top = (area.top + area.bottom - size) / 2 + (pushed ? 1 : 0);
  const COLORREF ink =
      GetSysColor((item.itemState & ODS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  const HPEN pen = CreatePen(PS_SOLID, 1, ink);
  const HGDIOBJ old_pen = SelectObject(item.hDC, pen);
  const HGDIOBJ old_brush = SelectObject(item.hDC, GetStockObject(NULL_BRUSH));
  Ellipse(item.hDC, left, top, left + size, top + size);
  const int cx = left + size / 2;
  const int cy = top + size / 2;
  MoveToEx(item.hDC, cx, top + 2, nullptr);  // minute hand at twelve
  LineTo(item.hDC, cx, cy);
  LineTo(item.hDC, left + size - 3, cy);  // hour hand at three
  SelectObject(item.hDC, old_brush);
  SelectObject(item.hDC, old_pen);
  DeleteObject(pen);
  if ((item.itemState & ODS_FOCUS) != 0) {
    InflateRect(&area, -2, -2);
    DrawFocusRect(item.hDC, &area);
  }
}

bool on_init(HWND dialog, ScheduleDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  set_picker_formats(dialog, IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME);
  if (load_schedule(dialog, state.context.connection.get()) != kResultOk) {
    MessageBoxA(dialog, kScheduleReadFailedText, kScheduleCaption, MB_OK);
    return false;
  }
  add_tooltip(IDC_SCHEDULE_CLOCK, dialog, kScheduleClockTooltip);
  refresh_schedule_controls(dialog);
  return true;
}

void on_command(HWND dialog, const ScheduleDialogState& state, int id, int notification) {
  if (waypoint_row_of_enable_box(id)) {
    refresh_schedule_controls(dialog);
    return;
  }
  switch (id) {
    case IDC_SCHEDULE_NEXT_START:
    case IDC_SCHEDULE_AT_OR_AFTER:
      if (notification == BN_CLICKED) refresh_schedule_controls(dialog);
      break;
    case IDC_SCHEDULE_SAVE:
      if (notification == BN_CLICKED) on_save(dialog, state);
      break;
    case IDC_SCHEDULE_CLOCK:
      if (notification == BN_CLICKED) on_clock(dialog, state);
      break;
    default:
      break;
  }
}

INT_PTR on_message(HWND dialog, ScheduleDialogState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      on_command(dialog, state, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_DRAWITEM:
      if (wparam != IDC_SCHEDULE_CLOCK) return FALSE;
      paint_clock_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    default:
      return FALSE;
  }
}

// Leaving writes nothing.
constexpr DialogFrame<ScheduleDialogState> kScheduleFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK schedule_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kScheduleFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_schedule_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCHEDULE), owner,
                         schedule_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
