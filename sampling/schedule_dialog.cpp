// The sampling schedule dialog's logic.
#include "sampling/schedule_dialog.h"

#include "ui/entry_parse.h"
#include "ui/text_format.h"

namespace tq {
namespace {

std::string unsigned_text(unsigned value) { return format_text("%u", value).value_or(""); }

ScheduleEntry entry_of(const WaypointEntry& row) {
  ScheduleEntry entry;
  entry.flags = static_cast<std::uint8_t>(kScheduleRowInUse | (row.clean ? kScheduleRowClean : 0));
  entry.offset_minutes =
      static_cast<std::uint16_t>(parse_unsigned_entry(row.offset, kMaxWaypointOffset));
  entry.samples = static_cast<std::uint8_t>(parse_unsigned_entry(row.samples, kMaxWaypointSamples));
  entry.volume_tenths = volume_tenths(row.volume);
  entry.timeout_minutes =
      static_cast<std::uint8_t>(parse_unsigned_entry(row.timeout, kMaxWaypointTimeout));
  return entry;
}

}  // namespace

std::optional<std::size_t> waypoint_row_of_enable_box(int control_id) {
  for (std::size_t k = 0; k < kWaypointRows.size(); ++k) {
    if (kWaypointRows[k].enable == control_id) return k;
  }
  return std::nullopt;
}

ScheduleView schedule_view(const ScheduleRecord& record) {
  ScheduleView view;
  const bool next_start = record.start_time == 0;
  view.picker_moment = record.start_time;
  WindowFace& face = view.face;
  face.checked.push_back({IDC_SCHEDULE_NEXT_START, next_start});
  face.checked.push_back({IDC_SCHEDULE_AT_OR_AFTER, !next_start});
  face.checked.push_back({IDC_SCHEDULE_AUTOSTART, record.autostart != 0});
  for (std::size_t k = 0; k < kScheduleRows; ++k) {
    const ScheduleEntry& entry = record.rows[k];
    const WaypointRowIds& ids = kWaypointRows[k];
    face.checked.push_back({ids.enable, (entry.flags & kScheduleRowInUse) != 0});
    face.checked.push_back({ids.clean, (entry.flags & kScheduleRowClean) != 0});
    face.texts.push_back({ids.offset, unsigned_text(entry.offset_minutes)});
    face.texts.push_back({ids.samples, unsigned_text(entry.samples)});
    face.texts.push_back({ids.volume, volume_text(entry.volume_tenths)});
    face.texts.push_back({ids.timeout, unsigned_text(entry.timeout_minutes)});
  }
  return view;
}

std::vector<ControlFlag> schedule_enabled(const ScheduleSwitches& switches) {
  std::vector<ControlFlag> flags;
  flags.reserve(kScheduleRows * 5 + 2);
  for (std::size_t k = 0; k < kScheduleRows; ++k) {
    const WaypointRowIds& ids = kWaypointRows[k];
    const bool on = switches.row_enabled[k];
    for (const int id : {ids.offset, ids.samples, ids.volume, ids.timeout, ids.clean}) {
      flags.push_back({id, on});
    }
  }
  flags.push_back({IDC_SCHEDULE_DATE, switches.at_or_after});
  flags.push_back({IDC_SCHEDULE_TIME, switches.at_or_after});
  return flags;
}

ScheduleRecord build_schedule_record(const ScheduleEntries& entries) {
  const std::uint32_t start_time =
      entries.start_choice == StartChoice::kAtOrAfter ? calendar_to_epoch(entries.picked) : 0;
  std::array<ScheduleEntry, kScheduleRows> rows{};
  for (std::size_t k = 0; k < kScheduleRows; ++k) {
    if (entries.rows[k].enabled) rows[k] = entry_of(entries.rows[k]);
  }
  return build_schedule_record(entries.autostart, start_time, rows);
}

std::uint32_t device_time_to_epoch(const DeviceTime& time) {
  return calendar_to_epoch(calendar_of(time));
}

}  // namespace tq
