// The pressure calibration dialog under Wine against the simulated instrument: a
// calibration sampled from the simulator's sensor, calculated, saved and tested, and the
// dialog's failures.
#include <gtest/gtest.h>

#include <cstdlib>

#include "link/commands.h"
#include "link/records.h"
#include "tests/config/win32/config_rig_win32.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq::test {
namespace {

void set_pressure(ConfigRig& rig, double bar) {
  rig.with_instrument([bar](sim::Instrument& in) { in.env.pressure_bar = bar; });
}

float shown_value(HWND dialog, int id) { return std::strtof(text(dialog, id).c_str(), nullptr); }

TEST(PressureDialogGui, ACalibrationSampledCalculatedSavedAndTested) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  float volt1 = 0;
  float volt2 = 0;
  std::string line;
  set_pressure(*rig, 0);
  const auto seen = run_dialog(
      *program.gui, IDM_PRESSURE_SENSOR,
      {act([](HWND dialog) {
         // The stored line shows at once; Test uses it, there is nothing to save yet.
         EXPECT_EQ(text(dialog, IDC_PRESSURE_CAL_LINE), "bar = (2.500 x volt) - 1.250");
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_SAVE));
         EXPECT_TRUE(enabled(dialog, IDC_PRESSURE_TEST));
         EXPECT_EQ(text(dialog, IDC_PRESSURE_BAR3), "4.000");
       }),
       // Rows 3 and 4 out of the fit; their values stay in the block.
       key(IDC_PRESSURE_USE3, VK_SPACE), key(IDC_PRESSURE_USE4, VK_SPACE), act([](HWND dialog) {
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_BAR3));
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_SAMPLE4));
         EXPECT_TRUE(enabled(dialog, IDC_PRESSURE_CALCULATE));
       }),
       type(IDC_PRESSURE_BAR1, "0"), click(IDC_PRESSURE_SAMPLE1), act([&](HWND dialog) {
         volt1 = shown_value(dialog, IDC_PRESSURE_VOLT1);
         EXPECT_NEAR(volt1, 0.5, 0.005);
         set_pressure(*rig, 5);
       }),
       type(IDC_PRESSURE_BAR2, "5"), click(IDC_PRESSURE_SAMPLE2), act([&](HWND dialog) {
         EXPECT_EQ(text(dialog, IDC_PRESSURE_BAR2), "5.000");
         volt2 = shown_value(dialog, IDC_PRESSURE_VOLT2);
         EXPECT_NEAR(volt2, 2.5, 0.005);
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_SAVE));  // a sample is no calculation
       }),
       click(IDC_PRESSURE_CALCULATE), act([&](HWND dialog) {
         line = text(dialog, IDC_PRESSURE_CAL_LINE);
         EXPECT_TRUE(enabled(dialog, IDC_PRESSURE_SAVE));
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_TEST));
       }),
       // Typed after Calculate: not what Save sends.
       type(IDC_PRESSURE_BAR2, "9"), click(IDC_PRESSURE_SAVE), expect_box("Config Saved", "Save"),
       act([&](HWND dialog) {
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_SAVE));
         EXPECT_TRUE(enabled(dialog, IDC_PRESSURE_TEST));
         set_pressure(*rig, 3);
       }),
       click(IDC_PRESSURE_TEST), act([](HWND dialog) {
         const std::string result = text(dialog, IDC_PRESSURE_RESULT);
         EXPECT_NEAR(std::strtod(result.c_str(), nullptr), 3.0, 0.02) << result;
         EXPECT_EQ(result.substr(result.size() - 4), " bar");
       }),
       escape()});
  // Two points fix the line exactly.
  const double slope = 5.0 / (static_cast<double>(volt2) - volt1);
  const double offset = -slope * volt1;
  std::array<std::uint8_t, kPressureCalibrationSize> expected{};
  expected[0] = 1;  // the header byte as the instrument had it
  const std::array<float, 5> bars = {0, 5, 4, 6, 8};
  const std::array<float, 5> volts = {volt1, volt2, 2.1f, 2.9f, 3.7f};
  for (std::size_t i = 0; i < 5; ++i) {
    PutF32(expected, 17 + 4 * i, bars[i]);
    PutF32(expected, 37 + 4 * i, volts[i]);
  }
  expected[57] = 1;
  expected[58] = 1;
  const auto stored = rig->with_instrument([](sim::Instrument& in) { return in.pressure_block; });
  EXPECT_NEAR(GetF64(stored, 1), slope, 1e-9);
  EXPECT_NEAR(GetF64(stored, 9), offset, 1e-9);
  PutF64(expected, 1, GetF64(stored, 1));
  PutF64(expected, 9, GetF64(stored, 9));
  EXPECT_EQ(stored, expected);
  EXPECT_EQ(line, "bar = (" + *format_text("%.3f", slope) + " x volt) - " +
                      *format_text("%.3f", -offset));
  EXPECT_EQ(rig->sent->codes().back(), kCmdStopSensors);
  EXPECT_EQ(seen.front().caption, "Configure Pressure Sensor");
}

TEST(PressureDialogGui, TestGoesThroughTheLineTheInstrumentHolds) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  run_dialog(*program.gui, IDM_PRESSURE_SENSOR,
             {act([&](HWND) {
                // Changed behind the dialog's back: the dialog still shows the old line.
                rig->with_instrument([](sim::Instrument& in) {
                  PutF64(in.pressure_block, 1, 5.0);
                  PutF64(in.pressure_block, 9, -2.5);
                });
                set_pressure(*rig, 3);  // 1.7 V at the sensor
              }),
              click(IDC_PRESSURE_TEST), act([](HWND dialog) {
                EXPECT_EQ(text(dialog, IDC_PRESSURE_CAL_LINE), "bar = (2.500 x volt) - 1.250");
                const std::string result = text(dialog, IDC_PRESSURE_RESULT);
                EXPECT_NEAR(std::strtod(result.c_str(), nullptr), 6.0, 0.03) << result;
              }),
              escape()});
}

TEST(PressureDialogGui, OnePointFixesNoLineAndAFailedSaveKeepsTheCalculation) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  run_dialog(
      *program.gui, IDM_PRESSURE_SENSOR,
      {key(IDC_PRESSURE_USE2, VK_SPACE), key(IDC_PRESSURE_USE3, VK_SPACE),
       key(IDC_PRESSURE_USE4, VK_SPACE), type(IDC_PRESSURE_BAR1, "2"),
       click(IDC_PRESSURE_CALCULATE),
       expect_box("Can't calculate calibration: please check parameters", "Calculate"),
       act([](HWND dialog) {
         EXPECT_EQ(text(dialog, IDC_PRESSURE_BAR1), "2");  // nothing redrawn
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_SAVE));
       }),
       key(IDC_PRESSURE_USE4, VK_SPACE), click(IDC_PRESSURE_CALCULATE), act([&](HWND dialog) {
         EXPECT_EQ(text(dialog, IDC_PRESSURE_BAR1), "2.000");
         rig->fail_command(kCmdSetConfigBlock);
       }),
       click(IDC_PRESSURE_SAVE), expect_box("Failed to save config to device.", "Save"),
       act([](HWND dialog) {
         EXPECT_TRUE(enabled(dialog, IDC_PRESSURE_SAVE));
         EXPECT_FALSE(enabled(dialog, IDC_PRESSURE_TEST));
       }),
       escape()});  // no question about the unsaved line
}

TEST(PressureDialogGui, AFailedSampleIsSilentAndAFailedTestSaysSo) {
  auto rig = start_config_rig();
  ConnectedProgram program = connect_program(*rig);
  const auto seen = run_dialog(
      *program.gui, IDM_PRESSURE_SENSOR,
      {act([&](HWND) { rig->fail_command(kCmdGetSensorSample); }), type(IDC_PRESSURE_BAR1, "1"),
       click(IDC_PRESSURE_SAMPLE1), act([](HWND dialog) {
         EXPECT_EQ(text(dialog, IDC_PRESSURE_VOLT1), "0.500");
         EXPECT_EQ(text(dialog, IDC_PRESSURE_BAR1), "1");
       }),
       click(IDC_PRESSURE_TEST), expect_box("Unable to get sample from device", "Test"), escape()});
  EXPECT_EQ(seen.size(), 2u);  // the dialog and the one message
}

TEST(PressureDialogGui, AnOpeningThatFailsClosesAtOnce) {
  struct Case {
    std::uint8_t failing;
    const char* text;
  };
  const Case cases[] = {
      {kCmdGetConfigBlock, "Can't get pressure sensor config from device."},
      {kCmdStartSensors, "Can't start pressure sensors on device (check power supply)."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.failing});
    auto rig = start_config_rig();
    ConnectedProgram program = connect_program(*rig);
    rig->fail_command(c.failing);
    rig->sent->clear();
    run_dialog(*program.gui, IDM_PRESSURE_SENSOR,
               {expect_box(c.text, "Configure Pressure Sensor")});
    const std::vector<std::uint8_t> codes = rig->sent->codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kCmdStopSensors), 0);
  }
}

}  // namespace
}  // namespace tq::test
