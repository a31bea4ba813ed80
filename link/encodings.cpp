// Volume, voltage and schedule encodings.
#include "link/encodings.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace tq {
namespace {

template <typename Narrow>
Narrow Clamped(std::uint32_t value) {
  return static_cast<Narrow>(std::min<std::uint32_t>(value, std::numeric_limits<Narrow>::max()));
}

}  // namespace

std::uint8_t VolumeToTenths(double litres) {
  // Written so NaN fails the first test: a float-to-integer cast of an out-of-range value
  // is undefined.
  if (!(litres > 0)) return 0;
  const double tenths = litres * 10 + 0.01;
  if (tenths >= 255) return 255;
  return static_cast<std::uint8_t>(tenths);
}

double TenthsToLitres(std::uint8_t tenths) { return tenths / 10.0; }

double PressureSensorVolts(const SensorSample& sample) {
  const int difference = static_cast<int>(sample.pressure_a) - static_cast<int>(sample.pressure_b);
  return difference * 5 / 4096.0;
}

ScheduleRecord BuildScheduleRecord(bool autostart, std::uint32_t start_time,
                                   std::span<const ScheduleRow> rows) {
  std::vector<ScheduleEntry> used;
  for (const ScheduleRow& row : rows) {
    if (!row.in_use) continue;
    ScheduleEntry entry;
    entry.flags = row.clean ? static_cast<std::uint8_t>(kScheduleRowInUse | kScheduleRowClean)
                            : kScheduleRowInUse;
    entry.samples = Clamped<std::uint8_t>(row.samples);
    entry.volume_tenths = VolumeToTenths(row.volume_litres);
    entry.timeout_minutes = Clamped<std::uint8_t>(row.timeout_minutes);
    entry.offset_minutes = Clamped<std::uint16_t>(row.offset_minutes);
    used.push_back(entry);
  }
  std::stable_sort(used.begin(), used.end(), [](const ScheduleEntry& a, const ScheduleEntry& b) {
    return a.offset_minutes < b.offset_minutes;
  });

  ScheduleRecord record;
  record.autostart = autostart ? 1 : 0;
  record.start_time = start_time;
  const std::size_t count = std::min(used.size(), kScheduleRows);
  std::copy_n(used.begin(), count, record.rows.begin());
  return record;
}

}  // namespace tq
