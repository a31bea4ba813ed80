// The schedule record from its rows.
#include "sampling/schedule_fields.h"

#include <algorithm>
#include <vector>

#include "ui/epoch.h"

namespace tq {

ScheduleRecord build_schedule_record(bool autostart, std::uint32_t start_time,
                                     std::span<const ScheduleEntry> rows) {
  std::vector<ScheduleEntry> used;
  for (const ScheduleEntry& row : rows) {
    if ((row.flags & kScheduleRowInUse) != 0) used.push_back(row);
  }
  // Stable, so waypoints with equal offsets keep the order of their rows.
  std::stable_sort(used.begin(), used.end(), [](const ScheduleEntry& a, const ScheduleEntry& b) {
    return compare_waypoints(a.offset_minutes, b.offset_minutes) < 0;
  });

  ScheduleRecord record;
  record.autostart = autostart ? 1 : 0;
  record.start_time = start_time;
  std::copy_n(used.begin(), std::min(used.size(), kScheduleRows), record.rows.begin());
  return record;
}

}  // namespace tq
