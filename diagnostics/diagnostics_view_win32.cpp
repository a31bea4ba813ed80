// The Diagnostics view's window: its layout, the log list's columns and the view state
// it reports to the main window. Health read-outs and the log reader build on this.
#include "diagnostics/diagnostics_view_win32.h"

#include <array>

#include "shell/dialog_helpers_win32.h"
#include "shell/dialog_state_win32.h"
#include "shell/messages.h"
#include "shell/resource.h"
#include "shell/view_layout_win32.h"
#include "shell/window_kit_win32.h"

namespace tq {
namespace {

constexpr std::array<ListColumn, 6> kLogColumns = {{
    {"Counter", 10},
    {"Task ID", 7},
    {"Severity", 7},
    {"Function", 25},
    {"Line", 10},
    {"Message", 80},
}};

struct DiagnosticsViewState {
  WindowContext context;
  int status_height = 0;
  int banner_width = 0;  // the banner's width + 1
};

void relayout(HWND view, const DiagnosticsViewState& state) {
  fill_parent_above_status(view, state.status_height);
  size_list_beside_panel(view, IDC_DIAG_LOG_LIST, state.banner_width, state.status_height);
}

INT_PTR CALLBACK diagnostics_view_proc(HWND view, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = attach_dialog_state(view, std::make_unique<DiagnosticsViewState>());
      state->context = *context_of(lparam);
      state->banner_width = control_width(view, IDC_DIAGNOSTICS_BANNER) + 1;
      state->status_height = query_status_height(view);
      relayout(view, *state);
      PostMessageA(GetParent(view), MSG_VIEW_STATE, IDD_DIAGNOSTICS_VIEW, 0);
      add_list_columns(view, IDC_DIAG_LOG_LIST, kLogColumns);
      set_item_text(view, IDC_RH, "unavailable");
      return TRUE;
    }
    case WM_SIZE:
      if (const auto* state = dialog_state<DiagnosticsViewState>(view)) relayout(view, *state);
      return TRUE;
    case WM_NCDESTROY:
      free_dialog_state<DiagnosticsViewState>(view);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND create_diagnostics_view(HWND main_window, const WindowContext& context) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DIAGNOSTICS_VIEW),
                            main_window, diagnostics_view_proc, as_creation_parameter(context));
}

}  // namespace tq
