// The motor dialog under Wine against the simulated instrument, driven through the menu
// and the keyboard as an operator would.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <utility>

#include "config/motor_dialog.h"
#include "link/commands.h"
#include "tests/config/win32/config_rig_win32.h"
#include "ui/resource.h"
#include "ui/settings.h"

namespace tq::test {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

std::string combo_text(HWND dialog, int combo_id) {
  const auto index = SendDlgItemMessageA(dialog, combo_id, CB_GETCURSEL, 0, 0);
  if (index < 0) return {};
  std::array<char, 64> entry{};
  SendDlgItemMessageA(dialog, combo_id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(entry.data()));
  return entry.data();
}

std::shared_ptr<MemorySettingsStore> motor_id_stored(std::optional<std::uint32_t> motor_id) {
  auto settings = std::make_shared<MemorySettingsStore>();
  if (motor_id) static_cast<void>(settings->write_dword(kMotorIdSetting, *motor_id));
  return settings;
}

std::vector<std::string> box_texts(const std::vector<ModalSeen>& seen) {
  std::vector<std::string> texts;
  for (const ModalSeen& modal : seen) {
    if (!modal.text.empty()) texts.push_back(modal.text);
  }
  return texts;
}

std::size_t count_of(const RequestLog& log, std::uint8_t code) {
  const std::vector<std::uint8_t> codes = log.codes();
  return static_cast<std::size_t>(std::count(codes.begin(), codes.end(), code));
}

TEST(MotorDialogGui, OpensOnTheRememberedMotorElseOnCartridgeLoad) {
  struct Case {
    std::optional<std::uint32_t> stored;
    const char* motor;
    const char* first_test;
  };
  const Case cases[] = {{std::nullopt, "Cartridge Load", "Engage"},
                        {0, "Cartridge Load", "Engage"},
                        {6, "Cartridge Load", "Engage"},
                        {4, "Sample Pump", "Pump"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.value_or(99));
    // Each run of the program closes its Connection when it ends.
    auto rig = start_config_rig();
    ConnectedProgram program = connect_program(*rig, motor_id_stored(c.stored));
    std::string motor;
    std::string first_test;
    const auto seen = run_dialog(*program.gui, IDM_MOTORS,
                                 {act([&](HWND dialog) {
                                    motor = combo_text(dialog, IDC_MOTOR_COMBO);
                                    first_test = text(dialog, IDC_MOTOR_TEST_FIRST);
                                  }),
                                  escape()});
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().caption, "Configure Motors");
    EXPECT_EQ(motor, c.motor);
    EXPECT_EQ(first_test, c.first_test);
  }
}

TEST(MotorDialogGui, TheMotorIsRememberedOnlyWhenForwardsOrReverseStartsARun) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  const MemorySettingsStore& settings = *program.settings;
  unsigned position = 0;
  run_dialog(*program.gui, IDM_MOTORS,
             {key(IDC_MOTOR_COMBO, VK_DOWN), key(IDC_MOTOR_COMBO, VK_DOWN), act([&](HWND dialog) {
                EXPECT_EQ(combo_text(dialog, IDC_MOTOR_COMBO), "Stabilizer Engage");
                EXPECT_FALSE(settings.read_dword(kMotorIdSetting).has_value());
              }),
              click(IDC_MOTOR_SAVE), expect_box("Configuration Saved.", "Save"),
              click(IDC_MOTOR_TEST_FIRST), click(IDC_MOTOR_TEST_FIRST),
              act([&](HWND) { EXPECT_FALSE(settings.read_dword(kMotorIdSetting).has_value()); }),
              key(IDC_MOTOR_TRACKBAR, VK_NEXT), act([&](HWND dialog) {
                position = static_cast<unsigned>(
                    SendDlgItemMessageA(dialog, IDC_MOTOR_TRACKBAR, TBM_GETPOS, 0, 0));
                EXPECT_GT(position, 0u);
                EXPECT_EQ(text(dialog, IDC_MOTOR_TRACK_POSITION), std::to_string(position) + "%");
              }),
              click(IDC_MOTOR_REVERSE), act([&](HWND dialog) {
                EXPECT_EQ(settings.read_dword(kMotorIdSetting), 3u);
                for (const int id : {IDC_MOTOR_FORWARDS, IDC_MOTOR_REVERSE, IDC_MOTOR_TEST_FIRST,
                                     IDC_MOTOR_TEST_SECOND}) {
                  EXPECT_EQ(text(dialog, id), "Stop") << id;
                }
                EXPECT_FALSE(enabled(dialog, IDC_MOTOR_COMBO));
                EXPECT_FALSE(enabled(dialog, IDC_MOTOR_TRACKBAR));
              }),
              click(IDC_MOTOR_FORWARDS), act([&](HWND dialog) {
                EXPECT_EQ(text(dialog, IDC_MOTOR_FORWARDS), "Forwards");
                EXPECT_TRUE(enabled(dialog, IDC_MOTOR_COMBO));
              }),
              escape()});
  // Motor 3, reverse, at the trackbar's speed; the rest of the request is zero.
  std::vector<std::uint8_t> run(kMotorRunRequestSize, 0);
  run[1] = 3;
  run[2] = 1;
  run[3] = static_cast<std::uint8_t>(position);
  EXPECT_EQ(rig->sent->last(kCmdRunMotor).payload, run);
  EXPECT_EQ(rig->sent->last(kCmdEngageMotor).payload, std::vector<std::uint8_t>{3});
}

TEST(MotorDialogGui, ASpeedOutOfRangeIsRedAndLocksSaveTheMotorAndTheTests) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig, motor_id_stored(4));  // flow and pressure
  const std::array<int, 7> locked = {IDC_MOTOR_SAVE,
                                     IDC_MOTOR_COMBO,
                                     IDC_MOTOR_TEST_FIRST,
                                     IDC_MOTOR_FLOW_VOLUME,
                                     IDC_MOTOR_FLOW_VOLUME_LABEL,
                                     IDC_MOTOR_FLOW_TIMEOUT,
                                     IDC_MOTOR_FLOW_TIMEOUT_LABEL};
  const auto expect_locked = [&](HWND dialog, bool is_locked) {
    for (const int id : locked) EXPECT_EQ(enabled(dialog, id), !is_locked) << id;
    EXPECT_EQ(edit_text_colour(dialog, IDC_MOTOR_SPEED) == kRed, is_locked);
    EXPECT_NE(edit_text_colour(dialog, IDC_MOTOR_PRESSURE), kRed);
    // The limits of the pressure autostop and the manual controls stay usable.
    EXPECT_TRUE(enabled(dialog, IDC_MOTOR_PRESSURE));
    EXPECT_TRUE(enabled(dialog, IDC_MOTOR_FORWARDS));
  };
  run_dialog(*program.gui, IDM_MOTORS,
             {act([&](HWND dialog) { expect_locked(dialog, false); }), type(IDC_MOTOR_SPEED, "101"),
              act([&](HWND dialog) { expect_locked(dialog, true); }),
              act([](HWND dialog) { post_text(GetDlgItem(dialog, IDC_MOTOR_SPEED), "\b"); }),
              act([&](HWND dialog) {
                EXPECT_EQ(text(dialog, IDC_MOTOR_SPEED), "10");
                expect_locked(dialog, false);
              }),
              type(IDC_MOTOR_TIMEOUT, "3601"), act([&](HWND dialog) {
                EXPECT_EQ(edit_text_colour(dialog, IDC_MOTOR_TIMEOUT), kRed);
                EXPECT_FALSE(enabled(dialog, IDC_MOTOR_SAVE));
              }),
              type(IDC_MOTOR_TIMEOUT, "3600"), escape()});
}

TEST(MotorDialogGui, AHallValueAbove4095IsSavedAndReadBackAs4095) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  const auto seen =
      run_dialog(*program.gui, IDM_MOTORS,
                 {type(IDC_MOTOR_ENGAGED, "5000"), click(IDC_MOTOR_SAVE),
                  expect_box("Configuration Saved.", "Save"),
                  act([](HWND dialog) { EXPECT_EQ(text(dialog, IDC_MOTOR_ENGAGED), "4095"); }),
                  escape()});  // saved: no question
  EXPECT_EQ(box_texts(seen), std::vector<std::string>{"Configuration Saved."});
  EXPECT_EQ(rig->with_instrument([](sim::Instrument& in) { return in.motors[0].engaged_hall; }),
            4095);
  const std::vector<std::uint8_t> set = rig->sent->last(kCmdSetMotorConfig).payload;
  ASSERT_EQ(set.size(), 1 + kMotorConfigSize);
  EXPECT_EQ(set[0], 1);
  EXPECT_EQ(set[1 + 7], 0xFF);  // engaged Hall 4095, little-endian
  EXPECT_EQ(set[1 + 8], 0x0F);
}

TEST(MotorDialogGui, PumpSendsTheFlowVolumeEvenWhenItsEditIsDisabled) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig, motor_id_stored(4));
  run_dialog(*program.gui, IDM_MOTORS,
             {type(IDC_MOTOR_FLOW_VOLUME, "1.5"), type(IDC_MOTOR_FLOW_TIMEOUT, "300"),
              key(IDC_MOTOR_COMBO, VK_DOWN), act([](HWND dialog) {
                EXPECT_EQ(combo_text(dialog, IDC_MOTOR_COMBO), "Stabilizer Pump");
                EXPECT_FALSE(enabled(dialog, IDC_MOTOR_FLOW_VOLUME));
                EXPECT_FALSE(enabled(dialog, IDC_MOTOR_TEST_SECOND));
                EXPECT_EQ(text(dialog, IDC_MOTOR_TEST_FIRST), "Pump");
              }),
              click(IDC_MOTOR_TEST_FIRST),
              act([](HWND dialog) { EXPECT_EQ(text(dialog, IDC_MOTOR_TEST_FIRST), "Stop"); }),
              click(IDC_MOTOR_TEST_FIRST), escape()});
  // Motor 5, 1.5 litres, 255 minutes of timeout at most: 15300 s.
  EXPECT_EQ(rig->sent->last(kCmdPumpVolume).payload,
            (std::vector<std::uint8_t>{5, 0, 0x00, 0x00, 0xC0, 0x3F, 0xC4, 0x3B}));
  // The remembered motor is still the one the dialog opened on.
  EXPECT_EQ(program.settings->read_dword(kMotorIdSetting), 4u);
}

TEST(MotorDialogGui, AStoredValueOtherThanTheOneWrittenFailsVerificationAndStaysDirty) {
  sim::InstrumentOptions options;
  options.motor_speed_limit = 50;
  auto rig = start_config_rig(options);
  ConnectedProgram program = connect_program(*rig);
  const auto seen = run_dialog(
      *program.gui, IDM_MOTORS,
      {type(IDC_MOTOR_SPEED, "80"), click(IDC_MOTOR_SAVE),
       expect_box("Failed to save motor config (verification failed).", "Save"), escape(),
       expect_box("Exit without saving changes?", "Exit", IDNO), act([&](HWND dialog) {
         EXPECT_EQ(text(dialog, IDC_MOTOR_SPEED), "80");
         rig->sent->clear();
       }),
       escape(), expect_box("Exit without saving changes?", "Exit", IDYES)});
  EXPECT_EQ(rig->with_instrument([](sim::Instrument& in) { return in.motors[0].speed; }), 50);
  // Leaving stops the motor, ends motor control and stops the sensors, in that order.
  EXPECT_EQ(rig->sent->codes(),
            (std::vector<std::uint8_t>{kCmdStopMotor, kCmdExitMotorControl, kCmdStopSensors}));
}

// Closed from outside (the taskbar's Close window, another program, the end of the session)
// while a motor runs: the dialog's leave sequence goes out before the port closes.
TEST(MotorDialogGui, ClosingTheProgramUnderTheDialogStopsTheMotorFirst) {
  for (const auto& [message, wparam] :
       {std::pair<UINT, WPARAM>{WM_CLOSE, 0}, std::pair<UINT, WPARAM>{WM_ENDSESSION, TRUE}}) {
    SCOPED_TRACE(message);
    auto rig = start_config_rig();
    ConnectedProgram program = connect_program(*rig);
    const HWND main = program.gui->main();
    run_dialog(*program.gui, IDM_MOTORS, {click(IDC_MOTOR_FORWARDS), act([&](HWND) {
                                            ASSERT_EQ(rig->sent->codes().back(), kCmdRunMotor);
                                            rig->sent->clear();
                                            PostMessageA(main, message, wparam, 0);
                                          })});
    EXPECT_TRUE(program.gui->pump_until([&] { return !program.gui->alive(); }));
    EXPECT_EQ(rig->sent->codes(),
              (std::vector<std::uint8_t>{kCmdStopMotor, kCmdExitMotorControl, kCmdStopSensors}));
    EXPECT_FALSE(rig->connection->line.IsOpen());
  }
}

TEST(MotorDialogGui, AStopRefusedOnLeavingSaysTheMotorMayStillRun) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  run_dialog(*program.gui, IDM_MOTORS,
             {act([&](HWND) { rig->fail_command(kCmdStopMotor); }), escape(),
              expect_box(kMotorNotStoppedText, "Exit")});
  EXPECT_EQ(count_of(*rig->sent, kCmdStopSensors), 1u);  // the rest of the sequence went out
}

TEST(MotorDialogGui, EscapeAsksAfterAComboChangeButNotAfterTypingOnly) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  const auto typed = run_dialog(*program.gui, IDM_MOTORS, {type(IDC_MOTOR_SPEED, "55"), escape()});
  EXPECT_TRUE(box_texts(typed).empty());
  const auto changed =
      run_dialog(*program.gui, IDM_MOTORS,
                 {key(IDC_MOTOR_DIRECTION, VK_DOWN), escape(),
                  expect_box("Exit without saving changes?", "Exit", IDNO),
                  // Another motor and back: the change is dropped without a word.
                  key(IDC_MOTOR_COMBO, VK_DOWN), key(IDC_MOTOR_COMBO, VK_UP), act([](HWND dialog) {
                    EXPECT_EQ(combo_text(dialog, IDC_MOTOR_COMBO), "Cartridge Load");
                    EXPECT_EQ(combo_text(dialog, IDC_MOTOR_DIRECTION), "Forwards");
                  }),
                  escape()});
  EXPECT_EQ(box_texts(changed), std::vector<std::string>{"Exit without saving changes?"});
}

TEST(MotorDialogGui, ATypedSpeedRunsTheTestAtOnceAndThenNeedsSaving) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  run_dialog(*program.gui, IDM_MOTORS,
             {type(IDC_MOTOR_SPEED, "35"), click(IDC_MOTOR_TEST_FIRST), act([](HWND dialog) {
                EXPECT_EQ(text(dialog, IDC_MOTOR_TEST_FIRST), "Stop");
                EXPECT_EQ(text(dialog, IDC_MOTOR_TEST_SECOND), "Stop");
              }),
              click(IDC_MOTOR_TEST_FIRST), click(IDC_MOTOR_TEST_FIRST),
              expect_box("You need to save your changes first.", "Test"),
              act([](HWND dialog) { EXPECT_EQ(text(dialog, IDC_MOTOR_TEST_FIRST), "Engage"); }),
              escape(), expect_box("Exit without saving changes?", "Exit", IDYES)});
  EXPECT_EQ(count_of(*rig->sent, kCmdEngageMotor), 1u);
  EXPECT_EQ(rig->sent->last(kCmdEngageMotor).payload, std::vector<std::uint8_t>{1});
}

TEST(MotorDialogGui, SampleStoresTheHallReadingTheFirstAutostopNames) {
  auto rig = start_config_rig();
  rig->with_instrument([](sim::Instrument& in) { in.env.hall = {1000, 2000, 3000}; });
  ConnectedProgram program = connect_program(*rig);
  const auto expect_reading = [](const std::string& shown, int expected) {
    const int value = std::stoi(shown);
    EXPECT_LE(std::abs(value - expected), 2) << shown;  // the converter's noise
  };
  run_dialog(
      *program.gui, IDM_MOTORS,
      {type(IDC_MOTOR_SPEED, "77"), key(IDC_MOTOR_AUTOSTOP, VK_DOWN),
       click(IDC_MOTOR_SAMPLE_ENGAGED), act([&](HWND dialog) {
         EXPECT_EQ(combo_text(dialog, IDC_MOTOR_AUTOSTOP), "Hall2");
         expect_reading(text(dialog, IDC_MOTOR_ENGAGED), 2000);
         EXPECT_EQ(text(dialog, IDC_MOTOR_SPEED), "70");  // the typed speed is replaced
       }),
       key(IDC_MOTOR_AUTOSTOP, VK_HOME), click(IDC_MOTOR_SAMPLE_DISENGAGED), act([&](HWND dialog) {
         EXPECT_EQ(combo_text(dialog, IDC_MOTOR_AUTOSTOP), "None");
         expect_reading(text(dialog, IDC_MOTOR_DISENGAGED), 3000);
       }),
       escape(), expect_box("Exit without saving changes?", "Exit", IDYES)});
}

TEST(MotorDialogGui, FailedCommandsSayWhatFailed) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  run_dialog(
      *program.gui, IDM_MOTORS,
      {act([&](HWND) { rig->fail_command(kCmdGetSensorSample); }), click(IDC_MOTOR_SAMPLE_ENGAGED),
       expect_box("Failed to get sample from sensor.", "Engaged Hall Value"),
       click(IDC_MOTOR_SAMPLE_DISENGAGED),
       expect_box("Failed to get sample from sensor.", "Disengaged Hall Value"),
       act([&](HWND) { rig->fail_command(kCmdSetMotorConfig); }), click(IDC_MOTOR_SAVE),
       expect_box("Can't set motor config on device (check power supply).", "Save"), escape()});
}

TEST(MotorDialogGui, AnOpeningThatFailsClosesAtOnceAndSendsNoStops) {
  struct Case {
    std::uint8_t failing;
    const char* text;
    std::size_t configs_read;
  };
  const Case cases[] = {
      {kCmdGetMotorConfig, "Can't get motor config from device (check power supply).", 1},
      {kCmdStartSensors, "Can't start sensors on device (check power supply).", 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.failing});
    auto rig = start_config_rig();
    ConnectedProgram program = connect_program(*rig);
    rig->fail_command(c.failing);
    rig->sent->clear();
    const auto seen =
        run_dialog(*program.gui, IDM_MOTORS, {expect_box(c.text, "Configure Motors")});
    EXPECT_EQ(box_texts(seen), std::vector<std::string>{c.text});
    EXPECT_EQ(count_of(*rig->sent, kCmdGetMotorConfig), c.configs_read);
    for (const std::uint8_t code : {kCmdStopMotor, kCmdExitMotorControl, kCmdStopSensors}) {
      EXPECT_EQ(count_of(*rig->sent, code), 0u) << int{code};
    }
    EXPECT_TRUE(program.gui->alive());
  }
}

}  // namespace
}  // namespace tq::test
