// The schedule file.
#include "cli/schedule_json.h"

#include <span>
#include <vector>

#include "cli/clock_text.h"
#include "cli/json_fields.h"
#include "link/encodings.h"
#include "sampling/schedule_fields.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

constexpr const char* kNextStart = "next";
const std::span<const WholeField<ScheduleEntry>> kBeforeVolume =
    std::span(kWaypointFields).first(kWaypointFieldsBeforeVolume);
const std::span<const WholeField<ScheduleEntry>> kAfterVolume =
    std::span(kWaypointFields).subspan(kWaypointFieldsBeforeVolume);

std::string start_text(std::uint32_t start_time) {
  if (start_time == 0) return kNextStart;
  const auto time = epoch_breakdown(start_time);
  if (!time) return "invalid (" + std::to_string(start_time) + ")";
  DeviceTime fields;
  fields.year = static_cast<std::uint16_t>(time->year);
  fields.month = static_cast<std::uint8_t>(time->month);
  fields.day = static_cast<std::uint8_t>(time->day);
  fields.hour = static_cast<std::uint8_t>(time->hour);
  fields.minute = static_cast<std::uint8_t>(time->minute);
  fields.second = static_cast<std::uint8_t>(time->second);
  return clock_iso(fields);
}

}  // namespace

nlohmann::ordered_json schedule_to_json(const ScheduleRecord& schedule) {
  nlohmann::ordered_json waypoints = nlohmann::ordered_json::array();
  for (const ScheduleEntry& row : schedule.rows) {
    if ((row.flags & kScheduleRowInUse) == 0) continue;
    nlohmann::ordered_json waypoint = nlohmann::ordered_json::object();
    put_fields(waypoint, kBeforeVolume, row);
    waypoint[kWaypointVolumeField.key] = TenthsToLitres(row.*kWaypointVolumeField.member);
    put_fields(waypoint, kAfterVolume, row);
    waypoint[kWaypointCleanKey] = (row.flags & kScheduleRowClean) != 0;
    waypoints.push_back(std::move(waypoint));
  }
  return {{"autostart", schedule.autostart != 0},
          {"start", start_text(schedule.start_time)},
          {"waypoints", waypoints}};
}

ScheduleFromJson schedule_from_json(const nlohmann::ordered_json& document) {
  ScheduleFromJson result;
  Fields top(document, "", &result.error);
  const bool autostart = top.flag("autostart", true).value_or(false);
  std::uint32_t start_time = 0;
  if (const nlohmann::ordered_json* start = top.take("start", true)) {
    const auto text = start->is_string() ? start->get<std::string>() : std::string();
    if (text != kNextStart) {
      const auto fields = parse_clock_time(text);
      start_time = fields ? calendar_to_epoch(calendar_of(*fields)) : kEpochInvalid;
      if (start_time == kEpochInvalid || start_time == 0) {
        top.fail("start",
                 "must be \"next\" or a time from 1970-01-01T00:00:01 to 2038-01-19T03:14:07 "
                 "written YYYY-MM-DDTHH:MM:SS");
      }
    }
  }
  std::vector<ScheduleEntry> rows;
  if (const nlohmann::ordered_json* waypoints = top.take("waypoints", true)) {
    if (!waypoints->is_array()) {
      top.fail("waypoints", "must be a list [...]");
    } else if (waypoints->size() > kScheduleRows) {
      top.fail("waypoints", "holds " + std::to_string(waypoints->size()) +
                                " waypoints; the instrument keeps at most " +
                                std::to_string(kScheduleRows));
    } else {
      for (std::size_t i = 0; i < waypoints->size() && top.ok(); ++i) {
        Fields row(waypoints->at(i), "waypoints[" + std::to_string(i) + "]", &result.error);
        const LitresField& volume = kWaypointVolumeField;
        ScheduleEntry entry;
        entry.flags = kScheduleRowInUse;
        take_fields(row, kBeforeVolume, entry);
        entry.*volume.member =
            VolumeToTenths(row.number(volume.key, volume.max, volume.unit, true).value_or(0));
        take_fields(row, kAfterVolume, entry);
        if (row.flag(kWaypointCleanKey, false).value_or(false)) entry.flags |= kScheduleRowClean;
        row.finish();
        rows.push_back(entry);
      }
    }
  }
  top.finish();
  if (!result.error.empty()) return result;
  result.record = build_schedule_record(autostart, start_time, rows);
  return result;
}

}  // namespace tq::cli
