// The motor dialog's logic.
#include "config/motor_dialog.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "ui/entry_parse.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq {
namespace {

enum class When {
  kNotInvalidNorRunning,
  kNotInvalid,
  kNotRunning,
  kPumpingNotRunning,
  kEngagingNotRunning,
  kPressureAutostop,  // a pump, not running, its second autostop box on "Pressure"
  kEngagingNotInvalid,
  kFlowAutostop,  // the sample pump, not invalid, its first autostop box on "Flow"
  kPumpingNotInvalid,
};

// Every control whose enabled state changes, in the order of the documented rules. The
// direction combo, the speed edit, Forwards and Reverse are always enabled.
constexpr RuleRow<When> kMotorRules[] = {
    {IDC_MOTOR_COMBO, When::kNotInvalidNorRunning},
    {IDC_MOTOR_SAVE, When::kNotInvalid},
    {IDC_MOTOR_TRACKBAR, When::kNotRunning},
    {IDC_MOTOR_TRACK_MIN, When::kNotRunning},
    {IDC_MOTOR_TRACK_MAX, When::kNotRunning},
    {IDC_MOTOR_TRACK_POSITION, When::kNotRunning},
    {IDC_MOTOR_AUTOSTOP, When::kNotRunning},
    {IDC_MOTOR_SECOND_AUTOSTOP, When::kPumpingNotRunning},
    {IDC_MOTOR_ENGAGED_LABEL, When::kEngagingNotRunning},
    {IDC_MOTOR_ENGAGED, When::kEngagingNotRunning},
    {IDC_MOTOR_SAMPLE_ENGAGED, When::kEngagingNotRunning},
    {IDC_MOTOR_DISENGAGED_LABEL, When::kEngagingNotRunning},
    {IDC_MOTOR_DISENGAGED, When::kEngagingNotRunning},
    {IDC_MOTOR_SAMPLE_DISENGAGED, When::kEngagingNotRunning},
    {IDC_MOTOR_PRESSURE_LABEL, When::kPressureAutostop},
    {IDC_MOTOR_PRESSURE, When::kPressureAutostop},
    {IDC_MOTOR_TIMEOUT_LABEL, When::kPressureAutostop},
    {IDC_MOTOR_TIMEOUT, When::kPressureAutostop},
    {IDC_MOTOR_TEST_FIRST, When::kNotInvalid},
    {IDC_MOTOR_TEST_SECOND, When::kEngagingNotInvalid},
    {IDC_MOTOR_FLOW_VOLUME_LABEL, When::kFlowAutostop},
    {IDC_MOTOR_FLOW_VOLUME, When::kFlowAutostop},
    {IDC_MOTOR_FLOW_TIMEOUT_LABEL, When::kPumpingNotInvalid},
    {IDC_MOTOR_FLOW_TIMEOUT, When::kPumpingNotInvalid},
};

constexpr const char* kStopCaption = "Stop";

std::size_t slot_of(std::uint8_t motor_id) {
  return std::clamp<std::size_t>(motor_id, kMotorCartridgeLoad, kMotorStabilizerPump) - 1;
}

std::string unsigned_text(std::uint32_t value) { return format_text("%u", value).value_or(""); }

bool above(std::string_view text, std::uint32_t limit) {
  return parse_unsigned_entry(text, std::numeric_limits<std::uint32_t>::max()) > limit;
}

}  // namespace

// The record is handed out for changing, so the model cannot be const.
// cppcheck-suppress constParameter
MotorConfig& current_record(MotorDialogModel& model) {
  return model.working[slot_of(model.current)];
}

const MotorConfig& current_record(const MotorDialogModel& model) {
  return model.working[slot_of(model.current)];
}

bool is_dirty(const MotorDialogModel& model) { return model.working != model.saved; }

void select_motor(MotorDialogModel& model, std::uint8_t motor_id) {
  if (motor_id < kMotorCartridgeLoad || motor_id > kMotorStabilizerPump) return;
  const std::size_t left = slot_of(model.current);
  model.working[left] = model.saved[left];
  model.current = motor_id;
}

MotorEdits edits_of(const MotorConfig& config) {
  return {unsigned_text(config.max_pressure), unsigned_text(config.overpressure_timeout),
          unsigned_text(config.engaged_hall), unsigned_text(config.disengaged_hall),
          unsigned_text(config.speed)};
}

MotorEditable editable_entries(std::uint8_t motor_id, std::uint8_t second_autostop) {
  const bool pumping = is_pumping_motor(motor_id);
  return {!pumping, pumping && second_autostop == kAutostopPressure};
}

void commit_edits(MotorConfig& config, const MotorEdits& edits, MotorEditable editable) {
  if (editable.pressure) {
    config.max_pressure =
        static_cast<std::uint8_t>(parse_unsigned_entry(edits.max_pressure, kMaxPressureBar));
    config.overpressure_timeout = static_cast<std::uint16_t>(
        parse_unsigned_entry(edits.overpressure_timeout, kMaxOverpressureSeconds));
  }
  if (editable.hall) {
    config.engaged_hall =
        static_cast<std::uint16_t>(parse_unsigned_entry(edits.engaged_hall, kMaxHallValue));
    config.disengaged_hall =
        static_cast<std::uint16_t>(parse_unsigned_entry(edits.disengaged_hall, kMaxHallValue));
  }
  config.speed = static_cast<std::uint16_t>(parse_unsigned_entry(edits.speed, kMaxMotorSpeed));
}

EntryRange check_entries(std::string_view speed, std::string_view max_pressure,
                         std::string_view overpressure_timeout, MotorEditable editable) {
  return {above(speed, kMaxMotorSpeed), editable.pressure && above(max_pressure, kMaxPressureBar),
          editable.pressure && above(overpressure_timeout, kMaxOverpressureSeconds)};
}

WindowFace decide_motor_face(const MotorRuleInput& input) {
  const bool pumping = is_pumping_motor(input.motor);
  const bool running = input.running;
  const bool invalid = input.invalid;
  const std::function<bool(When)> holds = [&](When when) {
    switch (when) {
      case When::kNotInvalidNorRunning:
        return !invalid && !running;
      case When::kNotInvalid:
        return !invalid;
      case When::kNotRunning:
        return !running;
      case When::kPumpingNotRunning:
        return pumping && !running;
      case When::kEngagingNotRunning:
        return !pumping && !running;
      case When::kPressureAutostop:
        return pumping && !running && input.second_autostop == kAutostopPressure;
      case When::kEngagingNotInvalid:
        return !pumping && !invalid;
      case When::kFlowAutostop:
        return input.motor == kMotorSamplePump && !invalid && input.first_autostop == kAutostopFlow;
      case When::kPumpingNotInvalid:
        return pumping && !invalid;
    }
    return false;
  };
  WindowFace face;
  face.enabled = evaluate_rule<When>(kMotorRules, holds);
  face.texts = {
      {IDC_MOTOR_DIRECTION_LABEL, pumping ? "Pumping Motor Direction" : "Engaging Motor Direction"},
      {IDC_MOTOR_FORWARDS, running ? kStopCaption : "Forwards"},
      {IDC_MOTOR_REVERSE, running ? kStopCaption : "Reverse"},
      {IDC_MOTOR_TEST_FIRST, running ? kStopCaption : (pumping ? "Pump" : "Engage")},
      {IDC_MOTOR_TEST_SECOND, running ? kStopCaption : "Disengage"},
  };
  return face;
}

std::string speed_position_text(unsigned position) {
  return format_text("%u%%", position).value_or("");
}

MotorRunRequest build_run_request(std::uint8_t motor_id, std::uint8_t direction,
                                  unsigned trackbar_position) {
  MotorRunRequest request;
  request.motor_id = motor_id;
  request.direction = direction;
  request.speed = static_cast<std::uint16_t>(std::min(trackbar_position, kMaxMotorSpeed));
  return request;
}

PumpRequest build_pump_request(std::uint8_t motor_id, std::string_view flow_volume,
                               std::string_view flow_timeout) {
  PumpRequest request;
  request.motor_id = motor_id;
  request.volume = parse_float_entry(flow_volume);
  request.flow_timeout =
      static_cast<std::uint16_t>(parse_unsigned_entry(flow_timeout, kMaxFlowTimeoutMinutes) * 60);
  return request;
}

std::uint16_t pick_hall_reading(const SensorSample& sample, std::uint8_t first_autostop) {
  if (first_autostop == kAutostopHall1) return sample.hall[0];
  if (first_autostop == kAutostopHall2) return sample.hall[1];
  return sample.hall[2];
}

TestAction decide_test(const MotorDialogModel& model, TestButton button) {
  const bool pumping = is_pumping_motor(model.current);
  if (pumping && button == TestButton::kSecond) return TestAction::kNothing;
  if (model.running) return TestAction::kStop;
  if (is_dirty(model)) return TestAction::kNeedsSave;
  if (pumping) return TestAction::kPump;
  return button == TestButton::kFirst ? TestAction::kEngage : TestAction::kDisengage;
}

SaveOutcome finish_save(MotorDialogModel& model, int set_result, int get_result,
                        const MotorConfig& read_back) {
  if (set_result != 0 || get_result != 0) return SaveOutcome::kLinkFailed;
  if (read_back != current_record(model)) return SaveOutcome::kVerificationFailed;
  model.saved = model.working;
  return SaveOutcome::kSaved;
}

const char* save_outcome_text(SaveOutcome outcome) {
  switch (outcome) {
    case SaveOutcome::kLinkFailed:
      return kCantSetMotorConfigText;
    case SaveOutcome::kVerificationFailed:
      return kVerificationFailedText;
    case SaveOutcome::kSaved:
      return kConfigurationSavedText;
  }
  return kCantSetMotorConfigText;
}

}  // namespace tq
