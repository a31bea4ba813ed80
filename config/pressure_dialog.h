// The pressure sensor calibration dialog's logic: reading the five calibration rows into
// the block, the sensor voltage of a sample, the least-squares line through the points in
// use, and what the dialog shows and enables.
//
// The block is read from the instrument once and written back whole: its header byte and
// the rows the operator leaves unchecked travel unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kPressureDialogCaption = "Configure Pressure Sensor";
inline constexpr const char* kCantGetPressureConfigText =
    "Can't get pressure sensor config from device.";
inline constexpr const char* kCantStartPressureSensorsText =
    "Can't start pressure sensors on device (check power supply).";
inline constexpr const char* kCalculateCaption = "Calculate";
inline constexpr const char* kCantCalculateText =
    "Can't calculate calibration: please check parameters";
inline constexpr const char* kPressureSaveCaption = "Save";
inline constexpr const char* kPressureSaveFailedText = "Failed to save config to device.";
inline constexpr const char* kPressureSavedText = "Config Saved";
inline constexpr const char* kPressureTestCaption = "Test";
inline constexpr const char* kPressureTestFailedText = "Unable to get sample from device";

// The block's keys in the configuration file, in record order: the line, then one object
// per point. No limits: every value the record's floating-point fields hold is taken.
inline constexpr const char* kSlopeKey = "slope_bar_per_volt";
inline constexpr const char* kOffsetKey = "offset_bar";
inline constexpr const char* kPointsKey = "points";
inline constexpr const char* kPointPressureKey = "pressure_bar";
inline constexpr const char* kPointVoltsKey = "volts";
inline constexpr const char* kPointInUseKey = "in_use";

// A fit needs its determinant above this; below it the points do not fix a line.
inline constexpr double kMinFitDeterminant = 1e-11;

// The controls of one calibration row.
struct PressureRowIds {
  int use;  // check box
  int bar;
  int volt;  // read-only
  int sample;
};
inline constexpr std::array<PressureRowIds, kCalibrationPoints> kPressureRows = {{
    {IDC_PRESSURE_USE1, IDC_PRESSURE_BAR1, IDC_PRESSURE_VOLT1, IDC_PRESSURE_SAMPLE1},
    {IDC_PRESSURE_USE2, IDC_PRESSURE_BAR2, IDC_PRESSURE_VOLT2, IDC_PRESSURE_SAMPLE2},
    {IDC_PRESSURE_USE3, IDC_PRESSURE_BAR3, IDC_PRESSURE_VOLT3, IDC_PRESSURE_SAMPLE3},
    {IDC_PRESSURE_USE4, IDC_PRESSURE_BAR4, IDC_PRESSURE_VOLT4, IDC_PRESSURE_SAMPLE4},
    {IDC_PRESSURE_USE5, IDC_PRESSURE_BAR5, IDC_PRESSURE_VOLT5, IDC_PRESSURE_SAMPLE5},
}};

// One row as the controls hold it.
struct PressureRowEntry {
  bool checked = false;
  std::string bar;
  std::string volt;
};
using PressureRowEntries = std::array<PressureRowEntry, kCalibrationPoints>;

// Every row into the block, checked or not: in use from the box, bar and volt values
// from the leading decimal number of each edit.
void read_rows_into(PressureCalibration& block, const PressureRowEntries& rows);

// (reading A - reading B) x 5 V / 4096, the difference taken signed.
[[nodiscard]] double sensor_volts(const SensorSample& sample);

struct CalibrationLine {
  double slope = 0;   // bar per volt
  double offset = 0;  // bar
};
// The least-squares line of bar on volt through the points in use, in row order; nothing
// when they do not fix one (none, one, or all at one voltage).
[[nodiscard]] std::optional<CalibrationLine> fit_calibration(const PressureCalibration& block);

// "bar = (%.3f x volt) %s %.3f": the sign "+" for an offset of zero or more. Nothing
// for a line too steep to show in 256 characters (the label then keeps its text).
[[nodiscard]] std::optional<std::string> calibration_label(double slope, double offset);
// The pressure through a stored line, "%.3f bar"; a reading too large to show reads as
// kPressureOutOfRangeText, so the result never keeps an earlier reading.
inline constexpr const char* kPressureOutOfRangeText = "out of range";
[[nodiscard]] std::string pressure_test_text(const PressureCalibration& stored,
                                             const SensorSample& sample);

// The block shown: boxes checked by their in-use bytes, values "%.3f", the line's label.
[[nodiscard]] WindowFace pressure_block_face(const PressureCalibration& block);
// Which controls are enabled for the boxes as they are checked now and the state:
// calculated is true from a Calculate until the next Save.
[[nodiscard]] std::vector<ControlFlag> pressure_rules(
    const std::array<bool, kCalibrationPoints>& checked, bool calculated);

}  // namespace tq
