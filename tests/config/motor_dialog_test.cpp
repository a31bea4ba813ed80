// The motor dialog's rules, dirty state, commit clamps and requests, against the tables
// of the dialog's documentation.
#include "config/motor_dialog.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/resource.h"

namespace tq {
namespace {

// Every control the rules switch; the others are always enabled.
const std::set<int> kSwitched = {
    IDC_MOTOR_COMBO,
    IDC_MOTOR_SAVE,
    IDC_MOTOR_TRACKBAR,
    IDC_MOTOR_TRACK_MIN,
    IDC_MOTOR_TRACK_MAX,
    IDC_MOTOR_TRACK_POSITION,
    IDC_MOTOR_AUTOSTOP,
    IDC_MOTOR_SECOND_AUTOSTOP,
    IDC_MOTOR_ENGAGED_LABEL,
    IDC_MOTOR_ENGAGED,
    IDC_MOTOR_SAMPLE_ENGAGED,
    IDC_MOTOR_DISENGAGED_LABEL,
    IDC_MOTOR_DISENGAGED,
    IDC_MOTOR_SAMPLE_DISENGAGED,
    IDC_MOTOR_PRESSURE_LABEL,
    IDC_MOTOR_PRESSURE,
    IDC_MOTOR_TIMEOUT_LABEL,
    IDC_MOTOR_TIMEOUT,
    IDC_MOTOR_TEST_FIRST,
    IDC_MOTOR_TEST_SECOND,
    IDC_MOTOR_FLOW_VOLUME_LABEL,
    IDC_MOTOR_FLOW_VOLUME,
    IDC_MOTOR_FLOW_TIMEOUT_LABEL,
    IDC_MOTOR_FLOW_TIMEOUT,
};

const std::set<int> kTrackbar = {IDC_MOTOR_TRACKBAR, IDC_MOTOR_TRACK_MIN, IDC_MOTOR_TRACK_MAX,
                                 IDC_MOTOR_TRACK_POSITION};
const std::set<int> kHall = {IDC_MOTOR_ENGAGED_LABEL,  IDC_MOTOR_ENGAGED,
                             IDC_MOTOR_SAMPLE_ENGAGED, IDC_MOTOR_DISENGAGED_LABEL,
                             IDC_MOTOR_DISENGAGED,     IDC_MOTOR_SAMPLE_DISENGAGED};
const std::set<int> kPressureLimits = {IDC_MOTOR_PRESSURE_LABEL, IDC_MOTOR_PRESSURE,
                                       IDC_MOTOR_TIMEOUT_LABEL, IDC_MOTOR_TIMEOUT};
const std::set<int> kFlowVolume = {IDC_MOTOR_FLOW_VOLUME_LABEL, IDC_MOTOR_FLOW_VOLUME};
const std::set<int> kFlowTimeout = {IDC_MOTOR_FLOW_TIMEOUT_LABEL, IDC_MOTOR_FLOW_TIMEOUT};

std::set<int> join(std::initializer_list<std::set<int>> parts) {
  std::set<int> all;
  for (const auto& part : parts) all.insert(part.begin(), part.end());
  return all;
}

std::set<int> enabled_ids(const WindowFace& face) {
  std::set<int> ids;
  for (const ControlFlag& flag : face.enabled) {
    if (flag.on) ids.insert(flag.id);
  }
  return ids;
}

std::string text_of(const WindowFace& face, int id) {
  for (const ControlText& text : face.texts) {
    if (text.id == id) return text.text;
  }
  return "<not set>";
}

struct RuleCase {
  MotorRuleInput input;
  std::set<int> enabled;
};

TEST(MotorRules, EveryMotorKindRunningAndInvalidCombination) {
  constexpr std::uint8_t kFlow = kAutostopFlow;
  constexpr std::uint8_t kPressure = kAutostopPressure;
  const std::set<int> one_box = {IDC_MOTOR_AUTOSTOP};
  const std::set<int> both_boxes = {IDC_MOTOR_AUTOSTOP, IDC_MOTOR_SECOND_AUTOSTOP};
  const std::vector<RuleCase> cases = {
      // Engaging motors: Hall controls, no pressure or flow fields, never a second box.
      {{1, false, false, kAutostopHall1, kAutostopNone},
       join({{IDC_MOTOR_COMBO, IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST, IDC_MOTOR_TEST_SECOND},
             kTrackbar,
             one_box,
             kHall})},
      {{2, true, false, kAutostopHall2, kPressure},
       {IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST, IDC_MOTOR_TEST_SECOND}},
      {{3, false, true, kAutostopHall3, kAutostopNone}, join({kTrackbar, one_box, kHall})},
      {{1, true, true, kAutostopHall1, kAutostopNone}, {}},
      // The sample pump with flow and pressure autostops.
      {{4, false, false, kFlow, kPressure},
       join({{IDC_MOTOR_COMBO, IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST},
             kTrackbar,
             both_boxes,
             kPressureLimits,
             kFlowVolume,
             kFlowTimeout})},
      // Running leaves the flow fields alone: they follow validity only.
      {{4, true, false, kFlow, kPressure},
       join({{IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST}, kFlowVolume, kFlowTimeout})},
      {{4, false, true, kFlow, kPressure}, join({kTrackbar, both_boxes, kPressureLimits})},
      {{4, true, true, kFlow, kPressure}, {}},
      // Without "Flow" there is no volume to pump to; without "Pressure" no limits.
      {{4, false, false, kAutostopNone, kAutostopNone},
       join({{IDC_MOTOR_COMBO, IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST},
             kTrackbar,
             both_boxes,
             kFlowTimeout})},
      // The stabilizer pump never takes a flow volume.
      {{5, false, false, kFlow, kPressure},
       join({{IDC_MOTOR_COMBO, IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST},
             kTrackbar,
             both_boxes,
             kPressureLimits,
             kFlowTimeout})},
      {{5, true, false, kFlow, kPressure},
       join({{IDC_MOTOR_SAVE, IDC_MOTOR_TEST_FIRST}, kFlowTimeout})},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "motor " << int{c.input.motor} << " running "
                                    << c.input.running << " invalid " << c.input.invalid);
    const WindowFace face = decide_motor_face(c.input);
    std::set<int> named;
    for (const ControlFlag& flag : face.enabled) named.insert(flag.id);
    EXPECT_EQ(named, kSwitched);
    EXPECT_EQ(enabled_ids(face), c.enabled);
  }
}

TEST(MotorRules, CaptionsTurnToStopWhileRunning) {
  struct Captions {
    std::uint8_t motor;
    bool running;
    const char* direction;
    const char* forwards;
    const char* reverse;
    const char* first;
    const char* second;
  };
  const Captions cases[] = {
      {1, false, "Engaging Motor Direction", "Forwards", "Reverse", "Engage", "Disengage"},
      {3, true, "Engaging Motor Direction", "Stop", "Stop", "Stop", "Stop"},
      {4, false, "Pumping Motor Direction", "Forwards", "Reverse", "Pump", "Disengage"},
      {5, true, "Pumping Motor Direction", "Stop", "Stop", "Stop", "Stop"},
  };
  for (const Captions& c : cases) {
    SCOPED_TRACE(int{c.motor});
    const WindowFace face = decide_motor_face({c.motor, c.running, false, 0, 0});
    EXPECT_EQ(text_of(face, IDC_MOTOR_DIRECTION_LABEL), c.direction);
    EXPECT_EQ(text_of(face, IDC_MOTOR_FORWARDS), c.forwards);
    EXPECT_EQ(text_of(face, IDC_MOTOR_REVERSE), c.reverse);
    EXPECT_EQ(text_of(face, IDC_MOTOR_TEST_FIRST), c.first);
    EXPECT_EQ(text_of(face, IDC_MOTOR_TEST_SECOND), c.second);
  }
}

MotorDialogModel opened_model() {
  MotorDialogModel model;
  for (std::uint8_t id = 1; id <= 5; ++id) {
    MotorConfig& config = model.working[id - 1];
    config.unused0 = id;
    config.speed = static_cast<std::uint16_t>(50 + id);
    config.engaged_hall = 3000;
  }
  model.saved = model.working;
  return model;
}

TEST(MotorDirty, AComboChangeIsDiscardedBySwitchingMotor) {
  MotorDialogModel model = opened_model();
  current_record(model).autostop_sensor = kAutostopHall2;  // stored the moment it changes
  EXPECT_TRUE(is_dirty(model));
  select_motor(model, kMotorSamplePump);
  EXPECT_FALSE(is_dirty(model));
  EXPECT_EQ(model.current, kMotorSamplePump);
  EXPECT_EQ(model.working[0].autostop_sensor, kAutostopNone);
  // Another motor's change is dirty as well, and leaving it discards it in turn.
  current_record(model).direction = kDirectionReverse;
  EXPECT_TRUE(is_dirty(model));
  select_motor(model, 0);  // not a motor: nothing changes
  EXPECT_EQ(model.current, kMotorSamplePump);
  EXPECT_TRUE(is_dirty(model));
}

TEST(MotorDirty, TypedNumbersCountOnlyOnceATestCommitsThem) {
  MotorDialogModel model = opened_model();
  MotorEdits typed = edits_of(current_record(model));
  typed.speed = "35";
  // Typing changes nothing in the model: the test runs at once.
  EXPECT_FALSE(is_dirty(model));
  EXPECT_EQ(decide_test(model, TestButton::kFirst), TestAction::kEngage);
  commit_edits(current_record(model), typed);
  model.running = true;
  EXPECT_TRUE(is_dirty(model));
  EXPECT_EQ(decide_test(model, TestButton::kFirst), TestAction::kStop);
  model.running = false;
  EXPECT_EQ(decide_test(model, TestButton::kSecond), TestAction::kNeedsSave);
}

TEST(MotorDirty, TestButtonsByMotorKind) {
  MotorDialogModel model = opened_model();
  EXPECT_EQ(decide_test(model, TestButton::kSecond), TestAction::kDisengage);
  select_motor(model, kMotorStabilizerPump);
  EXPECT_EQ(decide_test(model, TestButton::kFirst), TestAction::kPump);
  EXPECT_EQ(decide_test(model, TestButton::kSecond), TestAction::kNothing);
  model.running = true;
  EXPECT_EQ(decide_test(model, TestButton::kSecond), TestAction::kNothing);
}

TEST(MotorCommit, EachFieldIsHeldToItsRange) {
  MotorConfig config;
  config.unused0 = 7;
  config.direction = kDirectionReverse;
  commit_edits(config, {"11", "3601", "5000", "4095", "101"});
  EXPECT_EQ(config.max_pressure, 10);
  EXPECT_EQ(config.overpressure_timeout, 3600);
  EXPECT_EQ(config.engaged_hall, 4095);
  EXPECT_EQ(config.disengaged_hall, 4095);
  EXPECT_EQ(config.speed, 100);
  EXPECT_EQ(config.unused0, 7);  // the edits touch only their own fields
  EXPECT_EQ(config.direction, kDirectionReverse);
  commit_edits(config, {"abc", "", "-1", "12", " 40 "});
  EXPECT_EQ(config.max_pressure, 0);
  EXPECT_EQ(config.overpressure_timeout, 0);
  EXPECT_EQ(config.engaged_hall, 0);
  EXPECT_EQ(config.disengaged_hall, 12);
  EXPECT_EQ(config.speed, 40);
  EXPECT_EQ(edits_of(config), (MotorEdits{"0", "0", "0", "12", "40"}));
}

TEST(MotorValidation, OutOfRangeAsTyped) {
  EXPECT_FALSE(check_entries("100", "10", "3600").any());
  const EntryRange speed = check_entries("101", "10", "3600");
  EXPECT_TRUE(speed.speed_invalid);
  EXPECT_FALSE(speed.pressure_invalid || speed.timeout_invalid);
  EXPECT_TRUE(check_entries("0", "11", "0").pressure_invalid);
  EXPECT_TRUE(check_entries("0", "0", "3601").timeout_invalid);
  // Far beyond any field, and not numbers at all (they read as 0).
  EXPECT_TRUE(check_entries("99999999999999999999", "0", "0").speed_invalid);
  EXPECT_FALSE(check_entries("abc", "", "1x").any());
}

// Stored limits outside the typed ranges, in entries the operator cannot edit, neither lock
// the dialog nor change on their way back.
TEST(MotorValidation, OnlyEditableEntriesAreCheckedAndCommitted) {
  const struct {
    std::uint8_t motor, second_autostop;
    bool pressure, hall;  // editable
  } cases[] = {{kMotorCartridgeLoad, kAutostopNone, false, true},
               {kMotorStabilizerEngage, kAutostopPressure, false, true},
               {kMotorSamplePump, kAutostopNone, false, false},
               {kMotorStabilizerPump, kAutostopPressure, true, false}};
  for (const auto& c : cases) {
    MotorConfig config;
    config.max_pressure = 50;
    config.overpressure_timeout = 5000;
    config.engaged_hall = 5000;
    config.disengaged_hall = 4096;
    const MotorEditable editable = editable_entries(c.motor, c.second_autostop);
    const MotorEdits stored = edits_of(config);
    EXPECT_EQ(check_entries("0", stored.max_pressure, stored.overpressure_timeout, editable).any(),
              c.pressure);
    commit_edits(config, stored, editable);
    EXPECT_EQ(edits_of(config),
              (MotorEdits{c.pressure ? "10" : "50", c.pressure ? "3600" : "5000",
                          c.hall ? "4095" : "5000", c.hall ? "4095" : "4096", "0"}));
  }
}

TEST(MotorRequests, PumpRequestClampsItsTimeoutAndReadsTheVolume) {
  const PumpRequest pump = build_pump_request(kMotorSamplePump, "2.5 l", "300");
  EXPECT_EQ(pump.flow_timeout, 15300);  // 255 minutes at most
  EXPECT_FLOAT_EQ(pump.volume, 2.5f);
  std::array<std::uint8_t, kPumpRequestSize> bytes{};
  EncodePumpRequest(pump, bytes);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 8>{0x04, 0x00, 0x00, 0x00, 0x20, 0x40, 0xC4, 0x3B}));
  EXPECT_EQ(build_pump_request(5, "", "1").flow_timeout, 60);
  EXPECT_EQ(build_pump_request(5, "x", "").volume, 0.0f);
}

TEST(MotorRequests, ManualRunUsesTheTrackbarNotTheSavedDirection) {
  const MotorRunRequest run = build_run_request(kMotorSampleEngage, kDirectionReverse, 35);
  std::array<std::uint8_t, kMotorRunRequestSize> bytes{};
  EncodeMotorRunRequest(run, bytes);
  std::array<std::uint8_t, kMotorRunRequestSize> expected{};
  expected[1] = 2;
  expected[2] = 1;
  expected[3] = 35;
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(speed_position_text(35), "35%");
}

TEST(MotorSample, Hall1AndHall2ByNameEverythingElseHall3) {
  SensorSample sample;
  sample.hall = {111, 222, 333};
  EXPECT_EQ(pick_hall_reading(sample, kAutostopHall1), 111);
  EXPECT_EQ(pick_hall_reading(sample, kAutostopHall2), 222);
  for (const std::uint8_t other : {kAutostopNone, kAutostopHall3, kAutostopFlow}) {
    EXPECT_EQ(pick_hall_reading(sample, other), 333) << int{other};
  }
}

TEST(MotorSave, OnlyAnEqualReadBackBecomesTheSnapshot) {
  MotorDialogModel model = opened_model();
  current_record(model).speed = 99;
  const MotorConfig written = current_record(model);
  EXPECT_EQ(finish_save(model, 14, 0, written), SaveOutcome::kLinkFailed);
  EXPECT_EQ(finish_save(model, 0, 3, written), SaveOutcome::kLinkFailed);
  MotorConfig limited = written;
  limited.speed = 80;
  EXPECT_EQ(finish_save(model, 0, 0, limited), SaveOutcome::kVerificationFailed);
  EXPECT_TRUE(is_dirty(model));
  EXPECT_EQ(current_record(model).speed, 99);  // the committed value stays
  EXPECT_EQ(finish_save(model, 0, 0, written), SaveOutcome::kSaved);
  EXPECT_FALSE(is_dirty(model));
  EXPECT_STREQ(save_outcome_text(SaveOutcome::kVerificationFailed),
               "Failed to save motor config (verification failed).");
}

TEST(MotorTables, CombosShowTheFirstEntryForAnUnknownCode) {
  EXPECT_EQ(combo_index_of(kAutostopCombo, kAutostopFlow), 4);
  EXPECT_EQ(combo_index_of(kAutostopCombo, 4), 0);  // there is no entry with code 4
  EXPECT_EQ(combo_index_of(kSecondAutostopCombo, kAutostopPressure), 1);
  EXPECT_EQ(combo_index_of(kDirectionCombo, 9), 0);
  EXPECT_STREQ(kMotorCombo[3].text, "Sample Pump");
  EXPECT_EQ(kMotorCombo[3].value, 4u);
}

}  // namespace
}  // namespace tq
