// The pressure sensor calibration dialog's logic.
#include "config/pressure_dialog.h"

#include <cmath>

#include "ui/entry_parse.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq {
namespace {

// A 12-bit converter over a 5 V span.
constexpr double kVoltsPerCount = 5.0 / 4096;

std::string value_text(float value) { return format_text("%.3f", value).value_or(""); }

}  // namespace

void read_rows_into(PressureCalibration& block, const PressureRowEntries& rows) {
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    block.point_in_use[i] = rows[i].checked ? 1 : 0;
    block.point_pressure[i] = parse_float_entry(rows[i].bar);
    block.point_voltage[i] = parse_float_entry(rows[i].volt);
  }
}

double sensor_volts(const SensorSample& sample) {
  const int counts = static_cast<int>(sample.pressure_a) - static_cast<int>(sample.pressure_b);
  return counts * kVoltsPerCount;
}

std::optional<CalibrationLine> fit_calibration(const PressureCalibration& block) {
  double n = 0;
  double sx = 0;
  double sy = 0;
  double sxx = 0;
  double sxy = 0;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    if (block.point_in_use[i] == 0) continue;
    const double x = block.point_voltage[i];
    const double y = block.point_pressure[i];
    n += 1;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double determinant = n * sxx - sx * sx;
  // Written so that a determinant that is not a number fails too.
  if (!(std::fabs(determinant) > kMinFitDeterminant)) return std::nullopt;
  return CalibrationLine{(n * sxy - sy * sx) / determinant, (sxx * sy - sxy * sx) / determinant};
}

std::optional<std::string> calibration_label(double slope, double offset) {
  return format_text("bar = (%.3f x volt) %s %.3f", slope, offset >= 0 ? "+" : "-",
                     std::fabs(offset));
}

std::string pressure_test_text(const PressureCalibration& stored, const SensorSample& sample) {
  return format_text("%.3f bar", sensor_volts(sample) * stored.slope + stored.offset)
      .value_or(kPressureOutOfRangeText);
}

WindowFace pressure_block_face(const PressureCalibration& block) {
  WindowFace face;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    face.checked.push_back({kPressureRows[i].use, block.point_in_use[i] != 0});
    face.texts.push_back({kPressureRows[i].bar, value_text(block.point_pressure[i])});
    face.texts.push_back({kPressureRows[i].volt, value_text(block.point_voltage[i])});
  }
  if (auto label = calibration_label(block.slope, block.offset)) {
    face.texts.push_back({IDC_PRESSURE_CAL_LINE, std::move(*label)});
  }
  return face;
}

std::vector<ControlFlag> pressure_rules(const std::array<bool, kCalibrationPoints>& checked,
                                        bool calculated) {
  std::vector<ControlFlag> enabled;
  bool any = false;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    any = any || checked[i];
    enabled.push_back({kPressureRows[i].bar, checked[i]});
    enabled.push_back({kPressureRows[i].volt, checked[i]});
    enabled.push_back({kPressureRows[i].sample, checked[i]});
  }
  enabled.push_back({IDC_PRESSURE_CALCULATE, any});
  enabled.push_back({IDC_PRESSURE_SAVE, calculated});
  enabled.push_back({IDC_PRESSURE_TEST, !calculated});
  return enabled;
}

}  // namespace tq
