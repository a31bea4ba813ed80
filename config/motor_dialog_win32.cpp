// The motor configuration dialog's procedure: it moves values between the controls and
// the model of motor_dialog.h, sends one command per operator action and applies the
// control rules after every change of state.
#include "config/motor_dialog_win32.h"

#include <commctrl.h>

#include "config/motor_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/paint_win32.h"
#include "ui/resource.h"
#include "ui/settings.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct MotorDialogState {
  WindowContext context;
  MotorDialogModel model;
  EntryRange range;   // the typed speed, pressure and timeout as last checked
  bool left = false;  // the leave sequence has been sent
};

Connection* connection_of(const MotorDialogState& state) { return state.context.connection.get(); }

MotorEdits read_edits(HWND dialog) {
  const auto text = [dialog](int id) { return window_text(GetDlgItem(dialog, id)); };
  return {text(IDC_MOTOR_PRESSURE), text(IDC_MOTOR_TIMEOUT), text(IDC_MOTOR_ENGAGED),
          text(IDC_MOTOR_DISENGAGED), text(IDC_MOTOR_SPEED)};
}

void show_edits(HWND dialog, const MotorConfig& config) {
  const MotorEdits edits = edits_of(config);
  apply_texts(dialog, std::vector<ControlText>{{IDC_MOTOR_PRESSURE, edits.max_pressure},
                                               {IDC_MOTOR_TIMEOUT, edits.overpressure_timeout},
                                               {IDC_MOTOR_ENGAGED, edits.engaged_hall},
                                               {IDC_MOTOR_DISENGAGED, edits.disengaged_hall},
                                               {IDC_MOTOR_SPEED, edits.speed}});
}

void show_record(HWND dialog, const MotorConfig& config) {
  select_combo(dialog, IDC_MOTOR_DIRECTION, kDirectionCombo, config.direction);
  select_combo(dialog, IDC_MOTOR_AUTOSTOP, kAutostopCombo, config.autostop_sensor);
  select_combo(dialog, IDC_MOTOR_SECOND_AUTOSTOP, kSecondAutostopCombo,
               config.second_autostop_sensor);
  show_edits(dialog, config);
}

void reset_trackbar(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_MOTOR_TRACKBAR, TBM_SETPOS, TRUE, 0);
  set_item_text(dialog, IDC_MOTOR_TRACK_POSITION, speed_position_text(0));
}

unsigned trackbar_position(HWND dialog) {
  return static_cast<unsigned>(SendDlgItemMessageA(dialog, IDC_MOTOR_TRACKBAR, TBM_GETPOS, 0, 0));
}

std::uint8_t second_autostop(HWND dialog) {
  return static_cast<std::uint8_t>(
      get_combo_value(dialog, IDC_MOTOR_SECOND_AUTOSTOP, kSecondAutostopCombo));
}

MotorEditable editable_now(HWND dialog, const MotorDialogState& state) {
  return editable_entries(state.model.current, second_autostop(dialog));
}

// The range-checked entries as they stand; only those the operator can edit count.
EntryRange read_range(HWND dialog, const MotorDialogState& state) {
  const MotorEdits edits = read_edits(dialog);
  return check_entries(edits.speed, edits.max_pressure, edits.overpressure_timeout,
                       editable_now(dialog, state));
}

// Which entries are editable follows the motor and the second autostop box, so the range is
// checked again with every refresh.
void refresh(HWND dialog, MotorDialogState& state) {
  state.range = read_range(dialog, state);
  MotorRuleInput input;
  input.motor = state.model.current;
  input.running = state.model.running;
  input.invalid = state.range.any();
  input.first_autostop =
      static_cast<std::uint8_t>(get_combo_value(dialog, IDC_MOTOR_AUTOSTOP, kAutostopCombo));
  input.second_autostop = second_autostop(dialog);
  apply_face(dialog, decide_motor_face(input));
}

// Reads the three checked entries as they stand; the controls follow a change at once.
void revalidate(HWND dialog, MotorDialogState& state) {
  const EntryRange range = read_range(dialog, state);
  const bool changed = range.any() != state.range.any();
  state.range = range;
  if (changed) refresh(dialog, state);
}

// The typed numbers into the current record; the edits then show what was committed.
void commit(HWND dialog, MotorDialogState& state) {
  MotorConfig& record = current_record(state.model);
  commit_edits(record, read_edits(dialog), editable_now(dialog, state));
  show_edits(dialog, record);
}

void on_stop(HWND dialog, MotorDialogState& state) {
  static_cast<void>(StopMotor(connection_of(state)));
  state.model.running = false;
  refresh(dialog, state);
}

bool load_motors(MotorDialogState& state) {
  for (std::uint8_t id = kMotorCartridgeLoad; id <= kMotorStabilizerPump; ++id) {
    if (GetMotorConfig(connection_of(state), id, &state.model.working[id - 1]) != kResultOk) {
      return false;
    }
  }
  state.model.saved = state.model.working;
  return true;
}

// Fills the controls and reads the instrument; false (after saying why) when the dialog
// cannot open. The dialog is not on screen yet, so the message belongs to its owner.
bool on_init(HWND dialog, MotorDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  fill_combo(dialog, IDC_MOTOR_DIRECTION, kDirectionCombo);
  fill_combo(dialog, IDC_MOTOR_AUTOSTOP, kAutostopCombo);
  fill_combo(dialog, IDC_MOTOR_SECOND_AUTOSTOP, kSecondAutostopCombo);
  fill_combo(dialog, IDC_MOTOR_COMBO, kMotorCombo);
  SendDlgItemMessageA(dialog, IDC_MOTOR_TRACKBAR, TBM_SETRANGE, TRUE, MAKELPARAM(0, kMaxMotorSpeed));
  set_item_text(dialog, IDC_MOTOR_TRACK_MIN, "0");
  set_item_text(dialog, IDC_MOTOR_TRACK_MAX, "MAX");
  add_tooltip(IDC_MOTOR_SAVE, dialog, kMotorSaveTooltip);
  state.model.current = settings_read_motor_id(*state.context.settings);
  select_combo(dialog, IDC_MOTOR_COMBO, kMotorCombo, state.model.current);
  const HWND owner = GetWindow(dialog, GW_OWNER);
  if (!load_motors(state)) {
    MessageBoxA(owner, kCantGetMotorConfigText, kMotorDialogCaption, MB_OK);
    return false;
  }
  show_record(dialog, current_record(state.model));
  reset_trackbar(dialog);
  set_item_text(dialog, IDC_MOTOR_FLOW_VOLUME, "0");
  set_item_text(dialog, IDC_MOTOR_FLOW_TIMEOUT, "0");
  if (StartSensors(connection_of(state)) != kResultOk) {
    MessageBoxA(owner, kCantStartMotorSensorsText, kMotorDialogCaption, MB_OK);
    return false;
  }
  state.model.running = false;
  refresh(dialog, state);
  return true;
}

void on_motor_selected(HWND dialog, MotorDialogState& state) {
  select_motor(state.model,
               static_cast<std::uint8_t>(get_combo_value(dialog, IDC_MOTOR_COMBO, kMotorCombo)));
  reset_trackbar(dialog);
  show_record(dialog, current_record(state.model));
  refresh(dialog, state);
}

// A saved-configuration combo stores its code at once.
void on_config_combo(HWND dialog, MotorDialogState& state, int combo_id) {
  MotorConfig& record = current_record(state.model);
  if (combo_id == IDC_MOTOR_DIRECTION) {
    record.direction =
        static_cast<std::uint8_t>(get_combo_value(dialog, combo_id, kDirectionCombo));
    return;
  }
  if (combo_id == IDC_MOTOR_AUTOSTOP) {
    record.autostop_sensor =
        static_cast<std::uint8_t>(get_combo_value(dialog, combo_id, kAutostopCombo));
  } else {
    record.second_autostop_sensor =
        static_cast<std::uint8_t>(get_combo_value(dialog, combo_id, kSecondAutostopCombo));
  }
  refresh(dialog, state);
}

void on_drive(HWND dialog, MotorDialogState& state, std::uint8_t direction) {
  if (state.model.running) {
    on_stop(dialog, state);
    return;
  }
  settings_write_dword(*state.context.settings, state.model.current, kMotorIdSetting);
  static_cast<void>(RunMotor(connection_of(state), build_run_request(state.model.current, direction,
                                                                     trackbar_position(dialog))));
  state.model.running = true;
  refresh(dialog, state);
}

void on_sample(HWND dialog, MotorDialogState& state, bool engaged) {
  SensorSample sample;
  if (GetSensorSample(connection_of(state), &sample) != kResultOk) {
    MessageBoxA(dialog, kSampleFailedText, engaged ? kEngagedHallCaption : kDisengagedHallCaption,
                MB_OK);
    return;
  }
  const std::uint16_t reading = pick_hall_reading(
      sample,
      static_cast<std::uint8_t>(get_combo_value(dialog, IDC_MOTOR_AUTOSTOP, kAutostopCombo)));
  MotorConfig& record = current_record(state.model);
  (engaged ? record.engaged_hall : record.disengaged_hall) = reading;
  show_record(dialog, record);
  refresh(dialog, state);
}

void on_save(HWND dialog, MotorDialogState& state) {
  commit(dialog, state);
  const std::uint8_t id = state.model.current;
  const int set_result = SetMotorConfig(connection_of(state), id, current_record(state.model));
  MotorConfig read_back;
  const int get_result = GetMotorConfig(connection_of(state), id, &read_back);
  const SaveOutcome outcome = finish_save(state.model, set_result, get_result, read_back);
  MessageBoxA(dialog, save_outcome_text(outcome), kMotorSaveCaption, MB_OK);
}

void on_test(HWND dialog, MotorDialogState& state, TestButton button) {
  const TestAction action = decide_test(state.model, button);
  if (action == TestAction::kNothing) return;
  if (action == TestAction::kStop) {
    on_stop(dialog, state);
    return;
  }
  if (action == TestAction::kNeedsSave) {
    MessageBoxA(dialog, kSaveFirstText, kTestCaption, MB_OK);
    if (state_after_modal<MotorDialogState>(dialog) != nullptr) refresh(dialog, state);
    return;
  }
  commit(dialog, state);
  Connection* connection = connection_of(state);
  const std::uint8_t id = state.model.current;
  if (action == TestAction::kEngage) {
    static_cast<void>(EngageMotor(connection, id));
  } else if (action == TestAction::kDisengage) {
    static_cast<void>(DisengageMotor(connection, id));
  } else {
    // The volume goes with the request even when its edit is disabled.
    const PumpRequest pump =
        build_pump_request(id, window_text(GetDlgItem(dialog, IDC_MOTOR_FLOW_VOLUME)),
                           window_text(GetDlgItem(dialog, IDC_MOTOR_FLOW_TIMEOUT)));
    static_cast<void>(PumpVolume(connection, pump));
  }
  state.model.running = true;
  refresh(dialog, state);
}

// Stops the motor, leaves motor control and switches the sensors off, once, whatever ends
// the dialog. Only a failed StopMotor is reported: the motor may still be running.
void send_leave_sequence(HWND owner, MotorDialogState& state) {
  if (state.left) return;
  state.left = true;
  Connection* connection = connection_of(state);
  const int stopped = StopMotor(connection);
  static_cast<void>(ExitMotorControl(connection));
  static_cast<void>(StopSensors(connection));
  if (stopped != kResultOk) MessageBoxA(owner, kMotorNotStoppedText, kExitCaption, MB_OK);
}

void on_leave(HWND dialog, MotorDialogState& state) {
  if (is_dirty(state.model)) {
    if (MessageBoxA(dialog, kExitUnsavedText, kExitCaption, MB_YESNO) != IDYES) return;
    // Destroyed while the question was open, the dialog has already left.
    if (state_after_modal<MotorDialogState>(dialog) == nullptr) return;
  }
  send_leave_sequence(dialog, state);
  EndDialog(dialog, 0);
}

void on_command(HWND dialog, MotorDialogState& state, int id, int code) {
  if (code == CBN_SELCHANGE) {
    if (id == IDC_MOTOR_COMBO) on_motor_selected(dialog, state);
    if (id == IDC_MOTOR_DIRECTION || id == IDC_MOTOR_AUTOSTOP || id == IDC_MOTOR_SECOND_AUTOSTOP) {
      on_config_combo(dialog, state, id);
    }
    return;
  }
  if (code == EN_CHANGE) {
    if (id == IDC_MOTOR_SPEED || id == IDC_MOTOR_PRESSURE || id == IDC_MOTOR_TIMEOUT) {
      revalidate(dialog, state);
    }
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_MOTOR_FORWARDS:
      return on_drive(dialog, state, kDirectionForwards);
    case IDC_MOTOR_REVERSE:
      return on_drive(dialog, state, kDirectionReverse);
    case IDC_MOTOR_SAMPLE_ENGAGED:
      return on_sample(dialog, state, true);
    case IDC_MOTOR_SAMPLE_DISENGAGED:
      return on_sample(dialog, state, false);
    case IDC_MOTOR_SAVE:
      return on_save(dialog, state);
    case IDC_MOTOR_TEST_FIRST:
      return on_test(dialog, state, TestButton::kFirst);
    case IDC_MOTOR_TEST_SECOND:
      return on_test(dialog, state, TestButton::kSecond);
    default:
      return;
  }
}

// Every edit about to be painted checks the entries again; an out-of-range one is red.
INT_PTR on_edit_colour(HWND dialog, MotorDialogState& state, HDC dc, HWND edit) {
  revalidate(dialog, state);
  const int id = GetDlgCtrlID(edit);
  const bool red = (id == IDC_MOTOR_SPEED && state.range.speed_invalid) ||
                   (id == IDC_MOTOR_PRESSURE && state.range.pressure_invalid) ||
                   (id == IDC_MOTOR_TIMEOUT && state.range.timeout_invalid);
  if (!red) return FALSE;
  return reinterpret_cast<INT_PTR>(paint_invalid_edit(dc));
}

INT_PTR on_message(HWND dialog, MotorDialogState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      // Destroyed without its own leaving (its owner closed, the session ended): the
      // Connection is still open, as the owner closes it only after its owned windows go.
      send_leave_sequence(nullptr, state);
      return FALSE;
    case WM_COMMAND:
      on_command(dialog, state, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_MOTOR_TRACKBAR)) {
        set_item_text(dialog, IDC_MOTOR_TRACK_POSITION,
                      speed_position_text(trackbar_position(dialog)));
      }
      return TRUE;
    case WM_CTLCOLOREDIT:
      return on_edit_colour(dialog, state, reinterpret_cast<HDC>(wparam),
                            reinterpret_cast<HWND>(lparam));
    default:
      return FALSE;
  }
}

// Escape and the close box leave as the motors are left: stopped, and unsaved changes asked
// about.
constexpr DialogFrame<MotorDialogState> kMotorFrame{on_init, on_message, on_leave};

INT_PTR CALLBACK motor_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kMotorFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_motor_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MOTORS), owner,
                         motor_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
