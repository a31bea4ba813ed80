// The Run view's window: its layout, the sample log list's columns and the view state it
// reports to the main window. Live status and run control build on this.
#include "sampling/run_view_win32.h"

#include <array>

#include "shell/dialog_helpers_win32.h"
#include "shell/dialog_state_win32.h"
#include "shell/messages.h"
#include "shell/resource.h"
#include "shell/view_layout_win32.h"
#include "shell/window_kit_win32.h"

namespace tq {
namespace {

constexpr std::array<ListColumn, 7> kSampleLogColumns = {{
    {"Start Time", 15},
    {"Cartridge ID", 10},
    {"Duration (sec)", 10},
    {"Treatment", 20},
    {"Stop Reason", 10},
    {"Volume Pumped (litre)", 15},
    {"Max Pressure (bar)", 15},
}};

// Run controls stay disabled until the instrument's state says they may be used.
constexpr std::array<ControlFlag, 12> kRunControlsDisabled = {{
    {IDC_MODE_LABEL, false},
    {IDC_MODE, false},
    {IDC_CARTRIDGES_LABEL, false},
    {IDC_CARTRIDGES, false},
    {IDC_VOLUME_LABEL, false},
    {IDC_VOLUME, false},
    {IDC_TIMEOUT_LABEL, false},
    {IDC_TIMEOUT, false},
    {IDC_CLEAN, false},
    {IDC_START, false},
    {IDC_STOP, false},
    {IDC_CLEAR_LOG, false},
}};

struct RunViewState {
  WindowContext context;
  int status_height = 0;
  int panel_width = 0;  // the banner's width + 1
};

void relayout(HWND view, const RunViewState& state) {
  fill_parent_above_status(view, state.status_height);
  size_list_beside_panel(view, IDC_SAMPLE_LOG_LIST, state.panel_width, state.status_height);
}

INT_PTR CALLBACK run_view_proc(HWND view, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = attach_dialog_state(view, std::make_unique<RunViewState>());
      state->context = *context_of(lparam);
      state->panel_width = control_width(view, IDC_RUN_BANNER) + 1;
      state->status_height = query_status_height(view);
      relayout(view, *state);
      add_list_columns(view, IDC_SAMPLE_LOG_LIST, kSampleLogColumns);
      apply_enabled(view, kRunControlsDisabled);
      PostMessageA(GetParent(view), MSG_VIEW_STATE, IDD_RUN_VIEW, 0);
      return TRUE;
    }
    case WM_SIZE:
      if (const auto* state = dialog_state<RunViewState>(view)) relayout(view, *state);
      return TRUE;
    case WM_NCDESTROY:
      free_dialog_state<RunViewState>(view);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND create_run_view(HWND main_window, const WindowContext& context) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RUN_VIEW), main_window,
                            run_view_proc, as_creation_parameter(context));
}

}  // namespace tq
