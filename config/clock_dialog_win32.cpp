// The real-time clock dialog's procedure.
#include "config/clock_dialog_win32.h"

#include <array>

#include "config/clock_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/paint_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct ClockDialogState {
  WindowContext context;
  PollSession<ClockReport> polling;
};

constexpr std::array<ControlFlag, 2> kToPickedTime = {{
    {IDC_CLOCK_TO_PICKED, true},
    {IDC_CLOCK_TO_PC, false},
}};

void refresh_pickers(HWND dialog) {
  apply_enabled(dialog, clock_pickers_enabled(is_checked(dialog, IDC_CLOCK_TO_PICKED)));
}

CalendarTime pc_local_time() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void on_set_now(HWND dialog, const ClockDialogState& state) {
  const CalendarTime moment = is_checked(dialog, IDC_CLOCK_TO_PICKED)
                                  ? pickers_calendar(dialog, IDC_CLOCK_DATE, IDC_CLOCK_TIME)
                                  : pc_local_time();
  if (SetClock(state.context.connection.get(), device_time_of(moment)) != kResultOk) {
    MessageBoxA(dialog, kClockSetFailedText, kClockSaveCaption, MB_OK);
    return;
  }
  state.polling.wake();  // the new time shows now rather than at the next tick
}

void on_poll_report(HWND dialog, ClockDialogState& state) {
  for (const ClockReport& report : state.polling.take()) {
    set_item_text(dialog, IDC_CLOCK_PANEL, report.panel);
  }
}

bool on_init(HWND dialog, ClockDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  set_picker_formats(dialog, IDC_CLOCK_DATE, IDC_CLOCK_TIME);
  apply_checked(dialog, kToPickedTime);
  refresh_pickers(dialog);
  add_tooltip(IDC_CLOCK_TO_PICKED, dialog, kClockToPickedTooltip);
  add_tooltip(IDC_CLOCK_TO_PC, dialog, kClockToPcTooltip);
  add_tooltip(IDC_CLOCK_SET_NOW, dialog, kClockSetNowTooltip);
  state.polling.start(post_poll_report_to(dialog),
                      [connection = state.context.connection](Poller& poller, ClockFeed& feed) {
                        return clock_poll_routine(poller, feed, connection);
                      });
  return true;
}

void on_command(HWND dialog, const ClockDialogState& state, int id, int notification) {
  switch (id) {
    case IDC_CLOCK_TO_PICKED:
    case IDC_CLOCK_TO_PC:
      if (notification == BN_CLICKED) refresh_pickers(dialog);
      break;
    case IDC_CLOCK_SET_NOW:
      if (notification == BN_CLICKED) on_set_now(dialog, state);
      break;
    default:
      break;
  }
}

INT_PTR on_message(HWND dialog, ClockDialogState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case kMsgPollReport:
      on_poll_report(dialog, state);
      return TRUE;
    case WM_DRAWITEM:
      if (wparam != IDC_CLOCK_PANEL) return FALSE;
      paint_large_text(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_COMMAND:
      on_command(dialog, state, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_DESTROY:
      state.polling.stop();
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<ClockDialogState> kClockFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK clock_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kClockFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_clock_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_REAL_TIME_CLOCK), owner,
                         clock_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
