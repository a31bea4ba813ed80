// Conversions between the operator's units and the instrument's encodings: volumes in
// tenths of a litre, the pressure sensor voltage and the schedule record written back.
#pragma once

#include <cstdint>
#include <span>

#include "link/records.h"

namespace tq {

// Largest volume one byte of tenths can carry.
inline constexpr double kMaxVolumeLitres = 25.5;

// Litres to tenths of a litre: value x 10 + 0.01, truncated (the 0.01 keeps 2.3 from
// becoming 22). The entry checks clamp before this; anything still outside the byte is
// clamped here too: below 0 and NaN give 0, above 25.5 litres (infinity included) 255.
[[nodiscard]] std::uint8_t VolumeToTenths(double litres);
[[nodiscard]] double TenthsToLitres(std::uint8_t tenths);

// (reading A - reading B) x 5 / 4096 volts, signed: B above A gives a negative voltage.
[[nodiscard]] double PressureSensorVolts(const SensorSample& sample);

// One row of the schedule as the operator entered it, before it is limited to the record's
// fields.
struct ScheduleRow {
  bool in_use = false;
  bool clean = false;                 // clean after this row
  std::uint32_t samples = 0;          // sent as at most 255
  double volume_litres = 0;           // sent in tenths, see VolumeToTenths
  std::uint32_t timeout_minutes = 0;  // sent as at most 255
  std::uint32_t offset_minutes = 0;   // sent as at most 65535
};

// The record SetSchedule sends: only the rows in use, limited to their fields, ordered by
// start offset (equal offsets keep their order), placed from the first row on; every other
// byte zero. Should more rows be in use than the record holds, the earliest kScheduleRows
// are kept.
[[nodiscard]] ScheduleRecord BuildScheduleRecord(bool autostart, std::uint32_t start_time,
                                                 std::span<const ScheduleRow> rows);

}  // namespace tq
