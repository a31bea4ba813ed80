// The pressure calibration: the rows read into the block, the sensor voltage, the fit and
// its label, and what the dialog enables.
#include "config/pressure_dialog.h"

#include <gtest/gtest.h>

#include "ui/resource.h"

namespace tq {
namespace {

PressureRowEntries rows_of(std::initializer_list<PressureRowEntry> given) {
  PressureRowEntries rows{};
  std::size_t i = 0;
  for (const PressureRowEntry& row : given) rows[i++] = row;
  return rows;
}

PressureCalibration block_of(const PressureRowEntries& rows) {
  PressureCalibration block;
  read_rows_into(block, rows);
  return block;
}

std::string text_of(const WindowFace& face, int id) {
  for (const ControlText& text : face.texts) {
    if (text.id == id) return text.text;
  }
  return "<not set>";
}

TEST(PressureFit, TwoPointsGiveTheirLine) {
  const auto line = fit_calibration(block_of(rows_of({{true, "0", "0.5"}, {true, "10", "4.5"}})));
  ASSERT_TRUE(line.has_value());
  EXPECT_DOUBLE_EQ(line->slope, 2.5);
  EXPECT_DOUBLE_EQ(line->offset, -1.25);
  EXPECT_EQ(calibration_label(line->slope, line->offset), "bar = (2.500 x volt) - 1.250");
}

TEST(PressureFit, OnePointOrOneVoltageFixNoLine) {
  EXPECT_FALSE(fit_calibration(block_of(rows_of({}))).has_value());
  EXPECT_FALSE(fit_calibration(block_of(rows_of({{true, "3", "1.2"}}))).has_value());
  const PressureRowEntries same = rows_of({{true, "0", "1.5"}, {true, "5", "1.5"}});
  EXPECT_FALSE(fit_calibration(block_of(same)).has_value());
  // A third point at another voltage fixes it.
  PressureRowEntries third = same;
  third[2] = {true, "10", "3.5"};
  EXPECT_TRUE(fit_calibration(block_of(third)).has_value());
}

TEST(PressureFit, UncheckedRowsStayInTheBlockButOutOfTheFit) {
  const PressureCalibration block =
      block_of(rows_of({{true, "0", "0.5"}, {false, "99", "2.0"}, {true, "10", "4.5"}}));
  EXPECT_EQ(block.point_in_use[1], 0);
  EXPECT_FLOAT_EQ(block.point_pressure[1], 99.0f);
  EXPECT_FLOAT_EQ(block.point_voltage[1], 2.0f);
  const auto line = fit_calibration(block);
  ASSERT_TRUE(line.has_value());
  EXPECT_DOUBLE_EQ(line->slope, 2.5);
  EXPECT_DOUBLE_EQ(line->offset, -1.25);
}

TEST(PressureFit, ThreePointsByLeastSquares) {
  // (1, 1), (2, 2), (3, 2): slope 0.5, offset 2/3.
  const auto line =
      fit_calibration(block_of(rows_of({{true, "1", "1"}, {true, "2", "2"}, {true, "2", "3"}})));
  ASSERT_TRUE(line.has_value());
  EXPECT_NEAR(line->slope, 0.5, 1e-12);
  EXPECT_NEAR(line->offset, 2.0 / 3.0, 1e-12);
}

TEST(PressureLabel, AnOffsetOfZeroShowsPlus) {
  EXPECT_EQ(calibration_label(2.0, 0.0), "bar = (2.000 x volt) + 0.000");
  EXPECT_EQ(calibration_label(2.0, -0.0), "bar = (2.000 x volt) + 0.000");
  EXPECT_EQ(calibration_label(-1.5, 0.25), "bar = (-1.500 x volt) + 0.250");
  // Too long to show: nothing, so the label keeps what it had.
  EXPECT_FALSE(calibration_label(1e300, 0).has_value());
}

TEST(PressureVolts, TheDifferenceIsSigned) {
  SensorSample sample;
  sample.pressure_a = 1024;
  sample.pressure_b = 205;
  EXPECT_DOUBLE_EQ(sensor_volts(sample), 819 * 0.001220703125);
  sample.pressure_a = 100;
  sample.pressure_b = 300;
  EXPECT_DOUBLE_EQ(sensor_volts(sample), -200 * 0.001220703125);
  PressureCalibration stored;
  stored.slope = 2.5;
  stored.offset = -1.25;
  sample.pressure_a = 2048 + 205;
  sample.pressure_b = 205;
  EXPECT_EQ(pressure_test_text(stored, sample), "5.000 bar");  // 2.5 V
  // Too long to show: a short text of its own, never the reading before.
  stored.slope = 1e300;
  EXPECT_EQ(pressure_test_text(stored, sample), "out of range");
}

// Two points d volts apart give the determinant d * d: a line just above the threshold,
// none just below it.
TEST(PressureFit, TheDeterminantThreshold) {
  const struct {
    float apart;
    bool fits;
  } cases[] = {{3.2e-6F, true}, {3.1e-6F, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.apart);
    PressureCalibration block;
    block.point_in_use = {1, 1, 0, 0, 0};
    block.point_voltage = {0.0F, c.apart, 0, 0, 0};
    block.point_pressure = {0.0F, 1.0F, 0, 0, 0};
    const double apart = c.apart;
    ASSERT_EQ(apart * apart > kMinFitDeterminant, c.fits);  // the case is where it means to be
    EXPECT_EQ(fit_calibration(block).has_value(), c.fits);
  }
}

TEST(PressureRows, TextsReadAsTheirLeadingNumber) {
  const PressureCalibration block = block_of(rows_of({{true, "2 bar", "x"}, {false, "", "-0.25"}}));
  EXPECT_EQ(block.point_in_use[0], 1);
  EXPECT_FLOAT_EQ(block.point_pressure[0], 2.0f);
  EXPECT_FLOAT_EQ(block.point_voltage[0], 0.0f);
  EXPECT_FLOAT_EQ(block.point_voltage[1], -0.25f);
}

TEST(PressureFace, ShowsTheBlockWithThreeDecimals) {
  PressureCalibration block;
  block.slope = 2.5;
  block.offset = -1.25;
  block.point_pressure[0] = 2;
  block.point_voltage[0] = 1.3f;
  block.point_in_use = {1, 0, 0, 0, 2};
  const WindowFace face = pressure_block_face(block);
  EXPECT_EQ(text_of(face, IDC_PRESSURE_BAR1), "2.000");
  EXPECT_EQ(text_of(face, IDC_PRESSURE_VOLT1), "1.300");
  EXPECT_EQ(text_of(face, IDC_PRESSURE_BAR5), "0.000");
  EXPECT_EQ(text_of(face, IDC_PRESSURE_CAL_LINE), "bar = (2.500 x volt) - 1.250");
  ASSERT_EQ(face.checked.size(), 5u);
  EXPECT_TRUE(face.checked[0].on);
  EXPECT_FALSE(face.checked[1].on);
  EXPECT_TRUE(face.checked[4].on);  // any non-zero byte is in use
}

TEST(PressureRules, RowsFollowTheirBoxesAndSaveAndTestTheState) {
  const auto enabled = [](const std::vector<ControlFlag>& flags, int id) {
    for (const ControlFlag& flag : flags) {
      if (flag.id == id) return flag.on;
    }
    ADD_FAILURE() << "control " << id << " not ruled";
    return false;
  };
  const auto stored = pressure_rules({false, true, false, false, false}, false);
  EXPECT_FALSE(enabled(stored, IDC_PRESSURE_BAR1));
  EXPECT_FALSE(enabled(stored, IDC_PRESSURE_SAMPLE1));
  EXPECT_TRUE(enabled(stored, IDC_PRESSURE_BAR2));
  EXPECT_TRUE(enabled(stored, IDC_PRESSURE_VOLT2));
  EXPECT_TRUE(enabled(stored, IDC_PRESSURE_SAMPLE2));
  EXPECT_TRUE(enabled(stored, IDC_PRESSURE_CALCULATE));
  EXPECT_FALSE(enabled(stored, IDC_PRESSURE_SAVE));
  EXPECT_TRUE(enabled(stored, IDC_PRESSURE_TEST));
  const auto calculated = pressure_rules({}, true);
  EXPECT_FALSE(enabled(calculated, IDC_PRESSURE_CALCULATE));
  EXPECT_TRUE(enabled(calculated, IDC_PRESSURE_SAVE));
  EXPECT_FALSE(enabled(calculated, IDC_PRESSURE_TEST));
}

}  // namespace
}  // namespace tq
