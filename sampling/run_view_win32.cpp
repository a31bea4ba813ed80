// The Run view's dialog procedure: layout, live status and the sample log from its poll
// routine, run control, Clear Log, Save Log and the cartridge reset.
#include "sampling/run_view_win32.h"

#include <commctrl.h>

#include <chrono>
#include <span>
#include <variant>

#include "link/commands.h"
#include "sampling/reset_cartridge_win32.h"
#include "sampling/run_fields.h"
#include "sampling/run_view.h"
#include "sampling/run_view_poll.h"
#include "sampling/sample_log.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/list_save_win32.h"
#include "ui/messages.h"
#include "ui/owner_data_list_win32.h"
#include "ui/paint_win32.h"
#include "ui/resource.h"
#include "ui/view_layout_win32.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct RunViewState {
  WindowContext context;
  int status_height = 0;
  int panel_width = 0;       // the banner's width + 1
  SystemStatus status{};     // the last status read; all zeros until the first
  SYSTEMTIME status_time{};  // when it was read (local time), for the mark while lost
  bool log_listed = false;   // the list has reached the end of the log since it was emptied
  ListRows log_rows;         // what the sample log list shows
  RunViewPolling polling;
};

void relayout(HWND view, const RunViewState& state) {
  fill_parent_above_status(view, state.status_height);
  size_list_beside_panel(view, IDC_SAMPLE_LOG_LIST, state.panel_width, state.status_height);
}

int list_rows(const RunViewState& state) { return static_cast<int>(state.log_rows.rows.size()); }

void show_fields(HWND view, const RunFieldControls& fields) {
  SendDlgItemMessageA(view, IDC_MODE, CB_SETCURSEL, static_cast<WPARAM>(fields.mode_index), 0);
  set_item_text(view, IDC_CARTRIDGES, fields.cartridges);
  set_item_text(view, IDC_VOLUME, fields.volume);
  set_item_text(view, IDC_TIMEOUT, fields.timeout);
  set_checked(view, IDC_CLEAN, fields.clean);
}

RunFieldControls read_fields(HWND view) {
  RunFieldControls fields;
  fields.mode_index = static_cast<int>(SendDlgItemMessageA(view, IDC_MODE, CB_GETCURSEL, 0, 0));
  fields.cartridges = window_text(GetDlgItem(view, IDC_CARTRIDGES));
  fields.volume = window_text(GetDlgItem(view, IDC_VOLUME));
  fields.timeout = window_text(GetDlgItem(view, IDC_TIMEOUT));
  fields.clean = is_checked(view, IDC_CLEAN);
  return fields;
}

void refresh_run_controls(HWND view, const RunViewState& state) {
  const auto mode = static_cast<std::uint8_t>(get_combo_value(view, IDC_MODE, kRunModes));
  const RunControlDecision decision =
      decide_run_controls({mode, state.status.sampler_state, state.status.control_source});
  apply_enabled(view, decision.enabled);
  PostMessageA(GetParent(view), MSG_VIEW_STATE, IDD_RUN_VIEW, decision.running ? 1 : 0);
}

void start_polling(HWND view, RunViewState& state, SampleLogCursor cursor) {
  state.polling.start(post_poll_report_to(view), [connection = state.context.connection, cursor](
                                                     Poller& poller, RunViewFeed& feed) {
    return run_view_poll(poller, feed, connection, cursor);
  });
}

bool on_init(HWND view, RunViewState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  state.panel_width = control_width(view, IDC_RUN_BANNER) + 1;
  state.status_height = query_status_height(view);
  relayout(view, state);
  fill_combo(view, IDC_MODE, kRunModes);
  add_list_columns(view, IDC_SAMPLE_LOG_LIST, kSampleLogColumns);
  keep_owner_data_item_data(view, IDC_SAMPLE_LOG_LIST, state.log_rows);
  SendDlgItemMessageA(view, IDC_SAMPLE_LOG_LIST, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                      LVS_EX_FULLROWSELECT);
  show_fields(view, show_run_fields(load_run_fields(*state.context.settings)));
  refresh_run_controls(view, state);
  start_polling(view, state, {});
  return true;
}

void post_link_state(HWND view, LinkState link) {
  PostMessageA(GetParent(view), MSG_LINK_STATE, static_cast<WPARAM>(link), 0);
}

// While the link is lost the status lines keep the last values read, marked as such.
void on_link_report(HWND view, const RunViewState& state, const LinkReport& report) {
  const SYSTEMTIME& at = state.status_time;
  set_item_text(view, IDC_STATUS_FRAME,
                report.lost ? last_known_mark(at.wHour, at.wMinute, at.wSecond) : "");
  post_link_state(view, report.lost ? LinkState::kLost : LinkState::kAnswering);
}

void on_poll_report(HWND view, RunViewState& state) {
  OwnerDataBatch rows(view, IDC_SAMPLE_LOG_LIST, state.log_rows);
  for (RunViewReport& report : state.polling.take()) {
    if (const auto* status = std::get_if<RunStatusReport>(&report)) {
      state.status = status->status;
      GetLocalTime(&state.status_time);
      apply_texts(view, run_status_face(status->texts));
      refresh_run_controls(view, state);
    } else if (auto* row = std::get_if<ListRow>(&report)) {
      rows.apply(place_sample_log_row(std::move(*row), list_rows(state)));
    } else if (std::holds_alternative<SampleLogListed>(report)) {
      state.log_listed = true;
    } else if (const auto* link = std::get_if<LinkReport>(&report)) {
      on_link_report(view, state, *link);
    } else if (std::holds_alternative<InstrumentChanged>(report)) {
      // A new connection: nothing of the instrument that went stays to be saved as this one's.
      rows.delete_all_rows();
      state.log_listed = false;
      post_link_state(view, LinkState::kOtherInstrument);
    }
  }
}

void on_start(HWND view, const RunViewState& state) {
  const RunFields fields = take_run_fields(read_fields(view));
  // Remembered before anything is sent, so the values tried last come back even when the
  // start fails.
  save_run_fields(*state.context.settings, fields);
  Connection* connection = state.context.connection.get();
  if (fields.run_mode == kRunModeSchedule) {
    if (StartSchedule(connection) != kResultOk) {
      message_box_f(view, kStartCaption, MB_OK, "%s", kStartScheduleFailed);
    }
    return;
  }
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const RunRequest request =
      start_run_request(fields, std::chrono::duration_cast<std::chrono::seconds>(now).count());
  if (StartRun(connection, request) != kResultOk) {
    message_box_f(view, kStartCaption, MB_OK, "%s", kStartRunFailed);
  }
}

void on_stop(HWND view, const RunViewState& state) {
  const std::uint8_t source = state.status.control_source;
  if (send_stop(state.context.connection.get(), source) != kResultOk) {
    message_box_f(view, kStopCaption, MB_OK, "%s",
                  stop_stops_schedule(source) ? kStopScheduleFailed : kStopRunFailed);
  }
}

// The routine is stopped around the clear so that no log read interleaves with it.
void on_clear_log(HWND view) {
  // No is the default: Enter must never wipe the sampler's log.
  if (MessageBoxA(view, kClearLogQuestion, kClearLogCaption, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  RunViewState* state = state_after_modal<RunViewState>(view);
  if (state == nullptr) return;  // the view went while the question was open
  state->polling.stop();
  SampleLogCursor cursor;
  if (ClearSampleLog(state->context.connection.get()) == kResultOk) {
    OwnerDataBatch(view, IDC_SAMPLE_LOG_LIST, state->log_rows).delete_all_rows();
    state->log_listed = false;
  } else {
    // The log is as it was and so is the list: go on from its newest row instead of
    // listing every entry a second time.
    cursor = cursor_after_rows(list_rows(*state));
    MessageBoxA(view, kClearLogFailed, kClearLogCaption, MB_OK);
    state = state_after_modal<RunViewState>(view);
    if (state == nullptr) return;
  }
  start_polling(view, *state, cursor);
}

// A list still being filled is saved only when the operator says so: a partial file taken
// for the whole log is lost data once the log has been cleared on the sampler.
void on_save_log(HWND view, const RunViewState& state) {
  if (!state.log_listed) {
    const std::string question = partial_save_question(list_rows(state));
    if (MessageBoxA(view, question.c_str(), kPartialSaveCaption,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
      return;
    }
    if (state_after_modal<RunViewState>(view) == nullptr) return;  // the view went meanwhile
  }
  save_table_to_file(view, ListRowsTable(state.log_rows, kSampleLogColumns), kSampleLogColumnCount,
                     kSampleLogSaveTexts, state.context.session->sample_log_path);
}

void on_double_click(HWND view, const RunViewState& state, LPARAM lparam) {
  RECT banner{};
  GetWindowRect(GetDlgItem(view, IDC_STATE_BANNER), &banner);
  MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&banner), 2);
  const int x = static_cast<short>(LOWORD(lparam));
  const int y = static_cast<short>(HIWORD(lparam));
  if (!double_click_opens_reset(x, y, {banner.left, banner.top, banner.right, banner.bottom},
                                state.status.sampler_state)) {
    return;
  }
  const WindowContext context = state.context;
  open_reset_cartridge_dialog(view, context);
  // The banner shows the new number at once, not a second later.
  if (const RunViewState* after = state_after_modal<RunViewState>(view)) after->polling.wake();
}

void on_command(HWND view, RunViewState& state, WPARAM wparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (id == IDC_MODE && code == CBN_SELCHANGE) refresh_run_controls(view, state);
  if (id == IDM_SAVE_LOG) on_save_log(view, state);
  if (code != BN_CLICKED) return;
  if (id == IDC_START) on_start(view, state);
  if (id == IDC_STOP) on_stop(view, state);
  if (id == IDC_CLEAR_LOG) on_clear_log(view);
}

INT_PTR on_message(HWND view, RunViewState& state, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kMsgPollReport:
      on_poll_report(view, state);
      return TRUE;
    case WM_SIZE:
      relayout(view, state);
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->CtlID == IDC_STATE_BANNER) paint_large_text(view, *item);
      return TRUE;
    }
    case WM_NOTIFY:
      return answer_owner_data_list(view, IDC_SAMPLE_LOG_LIST, state.log_rows,
                                    *reinterpret_cast<NMHDR*>(lparam), false)
                 ? TRUE
                 : FALSE;
    case WM_COMMAND:
      on_command(view, state, wparam);
      return TRUE;
    case WM_LBUTTONDBLCLK:
      on_double_click(view, state, lparam);
      return TRUE;
    case WM_DESTROY:
      state.polling.stop();
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<RunViewState> kRunViewFrame{on_init, on_message};

INT_PTR CALLBACK run_view_proc(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kRunViewFrame, view, message, wparam, lparam);
}

}  // namespace

HWND create_run_view(HWND main_window, const WindowContext& context) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RUN_VIEW), main_window,
                            run_view_proc, as_creation_parameter(context));
}

}  // namespace tq
