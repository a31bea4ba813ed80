// The motor dialog's logic: the five motors and the code tables of its combo boxes, the
// working copy and saved snapshot of their configurations, committing the typed numbers,
// the live range check, the control rules and the requests its buttons send.
//
// Typed numbers are not part of the working copy until they are committed (by Save or a
// test button), so they never make the dialog dirty by themselves; a combo change or a
// Hall sample is stored at once.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/records.h"
#include "ui/dialog_tables.h"
#include "ui/record_fields.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kMotorDialogCaption = "Configure Motors";
inline constexpr const char* kCantGetMotorConfigText =
    "Can't get motor config from device (check power supply).";
inline constexpr const char* kCantStartMotorSensorsText =
    "Can't start sensors on device (check power supply).";
inline constexpr const char* kSampleFailedText = "Failed to get sample from sensor.";
inline constexpr const char* kEngagedHallCaption = "Engaged Hall Value";
inline constexpr const char* kDisengagedHallCaption = "Disengaged Hall Value";
inline constexpr const char* kMotorSaveCaption = "Save";
inline constexpr const char* kCantSetMotorConfigText =
    "Can't set motor config on device (check power supply).";
inline constexpr const char* kVerificationFailedText =
    "Failed to save motor config (verification failed).";
inline constexpr const char* kConfigurationSavedText = "Configuration Saved.";
inline constexpr const char* kTestCaption = "Test";
inline constexpr const char* kSaveFirstText = "You need to save your changes first.";
inline constexpr const char* kExitCaption = "Exit";
inline constexpr const char* kExitUnsavedText = "Exit without saving changes?";
inline constexpr const char* kMotorNotStoppedText =
    "The motor could not be stopped and may still be running. Check the sampler.";
inline constexpr const char* kMotorSaveTooltip = "Save settings for current motor to sampler.";

// The combo boxes' entries, in their order; the value is the code the record holds.
inline constexpr std::array<ComboValue, 5> kMotorCombo = {
    {{kMotorCartridgeLoad, "Cartridge Load"},
     {kMotorSampleEngage, "Sample Engage"},
     {kMotorStabilizerEngage, "Stabilizer Engage"},
     {kMotorSamplePump, "Sample Pump"},
     {kMotorStabilizerPump, "Stabilizer Pump"}}};
inline constexpr std::array<ComboValue, 2> kDirectionCombo = {
    {{kDirectionForwards, "Forwards"}, {kDirectionReverse, "Reverse"}}};
inline constexpr std::array<ComboValue, 5> kAutostopCombo = {{{kAutostopNone, "None"},
                                                              {kAutostopHall1, "Hall1"},
                                                              {kAutostopHall2, "Hall2"},
                                                              {kAutostopHall3, "Hall3"},
                                                              {kAutostopFlow, "Flow"}}};
inline constexpr std::array<ComboValue, 2> kSecondAutostopCombo = {
    {{kAutostopNone, "None"}, {kAutostopPressure, "Pressure"}}};

// Motors 4 and 5 pump; 1 to 3 engage.
[[nodiscard]] constexpr bool is_pumping_motor(std::uint8_t motor_id) {
  return motor_id == kMotorSamplePump || motor_id == kMotorStabilizerPump;
}

// The motors, ids kMotorCartridgeLoad (1) to kMotorStabilizerPump.
inline constexpr std::uint8_t kMotorCount = kMotorStabilizerPump;

// A motor's configuration in record order. The combo boxes' fields take only their codes.
inline constexpr std::array<WholeField<MotorConfig>, 8> kMotorFields = {{
    {IDC_MOTOR_DIRECTION, "direction", &MotorConfig::direction, largest_code(kDirectionCombo), "",
     kDirectionCombo},
    {IDC_MOTOR_AUTOSTOP, "autostop_sensor", &MotorConfig::autostop_sensor,
     largest_code(kAutostopCombo), "", kAutostopCombo},
    {IDC_MOTOR_SECOND_AUTOSTOP, "second_autostop_sensor", &MotorConfig::second_autostop_sensor,
     largest_code(kSecondAutostopCombo), "", kSecondAutostopCombo},
    {IDC_MOTOR_PRESSURE, "max_pressure_bar", &MotorConfig::max_pressure, 10, "bar"},
    {IDC_MOTOR_TIMEOUT, "overpressure_timeout_s", &MotorConfig::overpressure_timeout, 3600, "s"},
    {IDC_MOTOR_ENGAGED, "engaged_hall", &MotorConfig::engaged_hall, 4095, ""},  // 12-bit reading
    {IDC_MOTOR_DISENGAGED, "disengaged_hall", &MotorConfig::disengaged_hall, 4095, ""},
    {IDC_MOTOR_SPEED, "speed_percent", &MotorConfig::speed, 100, "%"},
}};

// The largest value each typed field takes when committed.
inline constexpr std::uint32_t kMaxMotorSpeed = max_of(kMotorFields, &MotorConfig::speed);
inline constexpr std::uint32_t kMaxPressureBar = max_of(kMotorFields, &MotorConfig::max_pressure);
inline constexpr std::uint32_t kMaxOverpressureSeconds =
    max_of(kMotorFields, &MotorConfig::overpressure_timeout);
inline constexpr std::uint32_t kMaxHallValue = max_of(kMotorFields, &MotorConfig::engaged_hall);
// Both Hall entries are committed by the one limit.
static_assert(kMaxHallValue == max_of(kMotorFields, &MotorConfig::disengaged_hall));

// A pump test waits at most this many minutes.
inline constexpr std::uint32_t kMaxFlowTimeoutMinutes = 255;

// What the dialog holds for its life.
struct MotorDialogModel {
  std::array<MotorConfig, kMotorCount> working{};  // motor ids 1..5; what the controls edit
  std::array<MotorConfig, kMotorCount> saved{};    // what the instrument is known to hold
  std::uint8_t current = kMotorCartridgeLoad;
  bool running = false;  // from a run or test the dialog started until a Stop
};

[[nodiscard]] MotorConfig& current_record(MotorDialogModel& model);
[[nodiscard]] const MotorConfig& current_record(const MotorDialogModel& model);
// Any byte of any motor differs from the saved snapshot.
[[nodiscard]] bool is_dirty(const MotorDialogModel& model);
// Puts back the saved record of the motor being left, then makes `motor_id` current.
void select_motor(MotorDialogModel& model, std::uint8_t motor_id);

// The texts of the five edits of the saved configuration, as typed.
struct MotorEdits {
  std::string max_pressure;
  std::string overpressure_timeout;
  std::string engaged_hall;
  std::string disengaged_hall;
  std::string speed;

  bool operator==(const MotorEdits&) const = default;
};

// Which of the typed entries the operator can edit for a motor: the Hall values of an
// engaging motor, the overpressure limits of a pump that stops on pressure. The others are
// disabled; what the instrument stores in them is neither range-checked nor committed, so it
// never locks the dialog and travels back unchanged.
struct MotorEditable {
  bool hall = true;
  bool pressure = true;  // maximum pressure and overpressure timeout
};
[[nodiscard]] MotorEditable editable_entries(std::uint8_t motor_id, std::uint8_t second_autostop);

// The edits showing a record ("%u" each).
[[nodiscard]] MotorEdits edits_of(const MotorConfig& config);
// Reads the typed numbers into the record, each limited to its field's range; entries the
// operator cannot edit keep the record's value.
void commit_edits(MotorConfig& config, const MotorEdits& edits, MotorEditable editable = {});

// Which of the three range-checked entries are out of range as typed.
struct EntryRange {
  bool speed_invalid = false;
  bool pressure_invalid = false;
  bool timeout_invalid = false;

  [[nodiscard]] bool any() const { return speed_invalid || pressure_invalid || timeout_invalid; }
};
[[nodiscard]] EntryRange check_entries(std::string_view speed, std::string_view max_pressure,
                                       std::string_view overpressure_timeout,
                                       MotorEditable editable = {});

// What the control rules depend on. The autostop codes are those of the entries the two
// combo boxes show.
struct MotorRuleInput {
  std::uint8_t motor = kMotorCartridgeLoad;
  bool running = false;
  bool invalid = false;
  std::uint8_t first_autostop = kAutostopNone;
  std::uint8_t second_autostop = kAutostopNone;
};
// The enabled state of every control that changes, the captions of the four buttons and
// the direction label's text.
[[nodiscard]] WindowFace decide_motor_face(const MotorRuleInput& input);

// The trackbar's label.
[[nodiscard]] std::string speed_position_text(unsigned position);

// A manual run of the current motor; the trackbar gives the speed.
[[nodiscard]] MotorRunRequest build_run_request(std::uint8_t motor_id, std::uint8_t direction,
                                                unsigned trackbar_position);
// A pump test: the Flow Volume as a fraction in litres, the Flow Timeout in minutes
// (at most 255) sent as seconds.
[[nodiscard]] PumpRequest build_pump_request(std::uint8_t motor_id, std::string_view flow_volume,
                                             std::string_view flow_timeout);

// The Hall reading that a Sample stores: Hall1 and Hall2 by name, anything else Hall3.
[[nodiscard]] std::uint16_t pick_hall_reading(const SensorSample& sample,
                                              std::uint8_t first_autostop);

enum class TestButton { kFirst, kSecond };  // Engage or Pump; Disengage
enum class TestAction { kNothing, kStop, kNeedsSave, kEngage, kDisengage, kPump };
// What a test button does now; decided before the edits are committed. A pump has no
// second test.
[[nodiscard]] TestAction decide_test(const MotorDialogModel& model, TestButton button);

enum class SaveOutcome { kLinkFailed, kVerificationFailed, kSaved };
// Judges a save from the two results and the record read back; on success the working
// copy becomes the saved snapshot.
[[nodiscard]] SaveOutcome finish_save(MotorDialogModel& model, int set_result, int get_result,
                                      const MotorConfig& read_back);
[[nodiscard]] const char* save_outcome_text(SaveOutcome outcome);

}  // namespace tq
