// The flow meter dialog's procedure.
#include "config/flow_meter_dialog_win32.h"

#include "config/flow_meter_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct FlowMeterDialogState {
  WindowContext context;
};

void on_save(HWND dialog, const FlowMeterDialogState& state) {
  const FlowMeterConfig config =
      flow_meter_for_save(window_text(GetDlgItem(dialog, IDC_FLOW_PULSES)));
  const bool saved = WriteFlowMeterConfig(state.context.connection.get(), config) == kResultOk;
  MessageBoxA(dialog, saved ? kFlowMeterSavedText : kFlowMeterSaveFailedText, kFlowMeterSaveCaption,
              MB_OK);
}

bool on_init(HWND dialog, FlowMeterDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  FlowMeterConfig config;
  if (ReadFlowMeterConfig(state.context.connection.get(), &config) != kResultOk) {
    MessageBoxA(dialog, kFlowMeterReadFailedText, kFlowMeterCaption, MB_OK);
    return false;
  }
  set_item_text(dialog, IDC_FLOW_PULSES, pulses_text(config));
  add_tooltip(IDC_FLOW_PULSES, dialog, kFlowMeterTooltip);
  return true;
}

INT_PTR on_message(HWND dialog, FlowMeterDialogState& state, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wparam) == IDC_FLOW_SAVE && HIWORD(wparam) == BN_CLICKED) on_save(dialog, state);
  return TRUE;
}

constexpr DialogFrame<FlowMeterDialogState> kFlowMeterFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK flow_meter_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kFlowMeterFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_flow_meter_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FLOW_METER), owner,
                         flow_meter_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
