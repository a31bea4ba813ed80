// The Diagnostics view's dialog procedure: layout, the health read-outs and the coloured
// log fed by its poll routine, Pause Display, Clear..., Save..., Tasks... and Toggle LED.
#include "diagnostics/diagnostics_view_win32.h"

#include <commctrl.h>

#include <type_traits>
#include <utility>
#include <variant>

#include "diagnostics/diagnostics_poll.h"
#include "diagnostics/diagnostics_view.h"
#include "diagnostics/task_table_win32.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/list_save_win32.h"
#include "ui/messages.h"
#include "ui/owner_data_list_win32.h"
#include "ui/resource.h"
#include "ui/view_layout_win32.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct DiagnosticsViewState {
  WindowContext context;
  int status_height = 0;
  int banner_width = 0;     // the banner's width + 1
  SystemStatus last_shown;  // the health the read-outs show, handed to each new routine
  // A new reading has started and its first row has not come yet: the rows shown are
  // replaced when it does, not before, so a paused display keeps what it shows.
  bool rows_replaced_by_next = false;
  ListRows log_rows;  // what the log list shows, each row in its colour
  PollSession<DiagnosticsReport, DiagnosticsInputs> polling;
};

void relayout(HWND view, const DiagnosticsViewState& state) {
  fill_parent_above_status(view, state.status_height);
  size_list_beside_panel(view, IDC_DIAG_LOG_LIST, state.banner_width, state.status_height);
}

void post_view_state(HWND view, std::uint8_t run_state) {
  PostMessageA(GetParent(view), MSG_VIEW_STATE, IDD_DIAGNOSTICS_VIEW,
               run_state_is_running(run_state) ? 1 : 0);
}

// A new routine reads the log from its start, with the health shown now.
void start_polling(HWND view, DiagnosticsViewState& state) {
  const ConnectionRef connection = state.context.connection;
  const SystemStatus last_shown = state.last_shown;
  state.polling.start(
      post_poll_report_to(view),
      [connection, last_shown](Poller& poller, DiagnosticsFeed& feed) {
        return diagnostics_poll(poller, feed, connection, last_shown);
      },
      DiagnosticsInputs{is_checked(view, IDC_PAUSE_DISPLAY)});
}

void apply_report(HWND view, DiagnosticsViewState& state, const DiagnosticsReport& report,
                  OwnerDataBatch& rows) {
  std::visit(
      [&](const auto& item) {
        using Item = std::decay_t<decltype(item)>;
        if constexpr (std::is_same_v<Item, LogReadStarted>) {
          // The reading starts from the oldest entry: whatever an earlier reading left in
          // the list (after a refused Clear, say) would otherwise be shown twice.
          state.rows_replaced_by_next = true;
        } else if constexpr (std::is_same_v<Item, LinkReport>) {
          const LinkState link = item.lost ? LinkState::kLost : LinkState::kAnswering;
          PostMessageA(GetParent(view), MSG_LINK_STATE, static_cast<WPARAM>(link), 0);
        } else if constexpr (std::is_same_v<Item, LinkReopened>) {
          // The main window reads who answers now, and replaces this view for another unit.
          PostMessageA(GetParent(view), MSG_LINK_STATE, static_cast<WPARAM>(LinkState::kReopened),
                       0);
        } else if constexpr (std::is_same_v<Item, HealthUpdate>) {
          apply_texts(view, item.texts);
          state.last_shown = item.shown;
          state.context.session->diagnostics_run_state = item.shown.sampler_state;
          post_view_state(view, item.shown.sampler_state);
        } else {
          if (std::exchange(state.rows_replaced_by_next, false)) rows.delete_all_rows();
          if (item.drop_oldest) rows.delete_first_row();
          rows.apply(item.row);
        }
      },
      report);
}

bool on_init(HWND view, DiagnosticsViewState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  state.banner_width = control_width(view, IDC_DIAGNOSTICS_BANNER) + 1;
  state.status_height = query_status_height(view);
  relayout(view, state);
  // What this view showed when it was last open, until its first reading.
  post_view_state(view, state.context.session->diagnostics_run_state);
  add_tooltip(IDC_VOLTAGE, view, kVoltageTip);
  add_tooltip(IDC_TEMP, view, kTemperatureTip);
  add_tooltip(IDC_RH, view, kHumidityTip);
  add_tooltip(IDC_RUN_STATE, view, kRunStateTip);
  add_list_columns(view, IDC_DIAG_LOG_LIST, kLogColumns);
  keep_owner_data_item_data(view, IDC_DIAG_LOG_LIST, state.log_rows);
  state.last_shown = SystemStatus{};
  set_item_text(view, IDC_RH, kHumidityUnavailable);
  start_polling(view, state);
  return true;
}

void on_clear(HWND view) {
  if (MessageBoxA(view, kClearQuestion, kClearCaption, MB_YESNO | MB_DEFBUTTON2) != IDYES) return;
  auto* state = state_after_modal<DiagnosticsViewState>(view);
  if (state == nullptr) return;  // the view went while the question was open
  // No entry may be fetched while the log is wiped.
  state->polling.stop();
  if (ClearDiagnosticLog(state->context.connection.get()) == kResultOk) {
    OwnerDataBatch(view, IDC_DIAG_LOG_LIST, state->log_rows).delete_all_rows();
  } else {
    MessageBoxA(view, kUnableToClearText, kClearCaption, MB_OK);
    state = state_after_modal<DiagnosticsViewState>(view);
    if (state == nullptr) return;
  }
  start_polling(view, *state);
}

// False for the commands the view leaves alone (Save Log from the menu among them).
bool on_command(HWND view, DiagnosticsViewState& state, int id) {
  switch (id) {
    case IDC_PAUSE_DISPLAY:
      state.polling.set_inputs({is_checked(view, IDC_PAUSE_DISPLAY)});
      break;
    case IDC_CLEAR_LOG_DIAG:
      on_clear(view);
      break;
    case IDC_SAVE_DIAG:
      save_table_to_file(view, ListRowsTable(state.log_rows, kLogColumns), kLogColumnCount,
                         kDiagnosticsSaveTexts, state.context.session->diagnostics_path);
      break;
    case IDC_TASKS: {
      const WindowContext context = state.context;  // the dialog keeps its own copy
      static_cast<void>(open_task_table_dialog(view, context));
      break;
    }
    case IDC_TOGGLE_LED:
      static_cast<void>(ToggleLed(state.context.connection.get()));
      break;
    default:
      return false;
  }
  return true;
}

INT_PTR on_message(HWND view, DiagnosticsViewState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      relayout(view, state);
      return TRUE;
    case kMsgPollReport: {
      OwnerDataBatch rows(view, IDC_DIAG_LOG_LIST, state.log_rows);
      for (const DiagnosticsReport& report : state.polling.take()) {
        apply_report(view, state, report, rows);
      }
      return TRUE;
    }
    case WM_NOTIFY:
      // Each row is drawn in its own colour.
      return answer_owner_data_list(view, IDC_DIAG_LOG_LIST, state.log_rows,
                                    *reinterpret_cast<NMHDR*>(lparam), true)
                 ? TRUE
                 : FALSE;
    case WM_COMMAND:
      return on_command(view, state, LOWORD(wparam)) ? TRUE : FALSE;
    case WM_DESTROY:
      state.polling.stop();
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<DiagnosticsViewState> kDiagnosticsViewFrame{on_init, on_message};

INT_PTR CALLBACK diagnostics_view_proc(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kDiagnosticsViewFrame, view, message, wparam, lparam);
}

}  // namespace

HWND create_diagnostics_view(HWND main_window, const WindowContext& context) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DIAGNOSTICS_VIEW),
                            main_window, diagnostics_view_proc, as_creation_parameter(context));
}

}  // namespace tq
