// The pressure sensor calibration dialog's procedure: the rows go into the block on
// Sample and Calculate, the block comes back into the controls after each, and Save
// writes the block as the dialog holds it.
#include "config/pressure_dialog_win32.h"

#include <utility>

#include "config/pressure_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct PressureDialogState {
  WindowContext context;
  PressureCalibration block;  // as read on open, then as the dialog changes it
  bool calculated = false;    // a line from Calculate waits to be saved
  bool left = false;          // StopSensors has been sent
};

Connection* connection_of(const PressureDialogState& state) {
  return state.context.connection.get();
}

void read_controls(HWND dialog, PressureDialogState& state) {
  PressureRowEntries rows;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    rows[i].checked = is_checked(dialog, kPressureRows[i].use);
    rows[i].bar = window_text(GetDlgItem(dialog, kPressureRows[i].bar));
    rows[i].volt = window_text(GetDlgItem(dialog, kPressureRows[i].volt));
  }
  read_rows_into(state.block, rows);
}

void apply_rules(HWND dialog, const PressureDialogState& state) {
  std::array<bool, kCalibrationPoints> checked{};
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    checked[i] = is_checked(dialog, kPressureRows[i].use);
  }
  apply_enabled(dialog, pressure_rules(checked, state.calculated));
}

void show_block(HWND dialog, const PressureDialogState& state) {
  apply_face(dialog, pressure_block_face(state.block));
  apply_rules(dialog, state);
}

// The dialog is not on screen yet, so a message belongs to its owner.
bool on_init(HWND dialog, PressureDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  const HWND owner = GetWindow(dialog, GW_OWNER);
  if (ReadPressureCalibration(connection_of(state), &state.block) != kResultOk) {
    MessageBoxA(owner, kCantGetPressureConfigText, kPressureDialogCaption, MB_OK);
    return false;
  }
  if (StartSensors(connection_of(state)) != kResultOk) {
    MessageBoxA(owner, kCantStartPressureSensorsText, kPressureDialogCaption, MB_OK);
    return false;
  }
  state.calculated = false;
  show_block(dialog, state);
  return true;
}

// A failed sample changes nothing on screen and says nothing.
void on_sample(HWND dialog, PressureDialogState& state, std::size_t row) {
  read_controls(dialog, state);
  SensorSample sample;
  if (GetSensorSample(connection_of(state), &sample) != kResultOk) return;
  state.block.point_voltage[row] = static_cast<float>(sensor_volts(sample));
  show_block(dialog, state);
}

void on_calculate(HWND dialog, PressureDialogState& state) {
  read_controls(dialog, state);
  const auto line = fit_calibration(state.block);
  if (!line) {
    MessageBoxA(dialog, kCantCalculateText, kCalculateCaption, MB_OK);
    return;
  }
  state.block.slope = line->slope;
  state.block.offset = line->offset;
  state.calculated = true;
  show_block(dialog, state);
}

void on_save(HWND dialog, PressureDialogState& state) {
  if (WritePressureCalibration(connection_of(state), state.block) != kResultOk) {
    MessageBoxA(dialog, kPressureSaveFailedText, kPressureSaveCaption, MB_OK);
    return;
  }
  state.calculated = false;
  apply_rules(dialog, state);
  MessageBoxA(dialog, kPressureSavedText, kPressureSaveCaption, MB_OK);
}

// Through the line the instrument holds, not the dialog's.
void on_test(HWND dialog, const PressureDialogState& state) {
  PressureCalibration stored;
  const int read = ReadPressureCalibration(connection_of(state), &stored);
  SensorSample sample;
  const int sampled = GetSensorSample(connection_of(state), &sample);
  if (read != kResultOk || sampled != kResultOk) {
    MessageBoxA(dialog, kPressureTestFailedText, kPressureTestCaption, MB_OK);
    return;
  }
  set_item_text(dialog, IDC_PRESSURE_RESULT, pressure_test_text(stored, sample));
}

// Switches the sensors off, once, whatever ends the dialog.
void send_leave_sequence(PressureDialogState& state) {
  if (std::exchange(state.left, true)) return;
  static_cast<void>(StopSensors(connection_of(state)));
}

void on_leave(HWND dialog, PressureDialogState& state) {
  send_leave_sequence(state);
  EndDialog(dialog, 0);
}

void on_command(HWND dialog, PressureDialogState& state, int id, int code) {
  if (code != BN_CLICKED) return;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    if (id == kPressureRows[i].use) return apply_rules(dialog, state);
    if (id == kPressureRows[i].sample) return on_sample(dialog, state, i);
  }
  if (id == IDC_PRESSURE_CALCULATE) on_calculate(dialog, state);
  if (id == IDC_PRESSURE_SAVE) on_save(dialog, state);
  if (id == IDC_PRESSURE_TEST) on_test(dialog, state);
}

INT_PTR on_message(HWND dialog, PressureDialogState& state, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  switch (message) {
    case WM_COMMAND:
      on_command(dialog, state, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_DESTROY:
      // Destroyed without its own leaving (its owner closed, the session ended): the
      // Connection is still open, as the owner closes it only after its owned windows go.
      send_leave_sequence(state);
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<PressureDialogState> kPressureFrame{on_init, on_message, on_leave};

INT_PTR CALLBACK pressure_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kPressureFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_pressure_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRESSURE_SENSOR), owner,
                         pressure_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
