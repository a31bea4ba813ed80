// The schedule file.
#include "cli/schedule_json.h"

#include <cmath>
#include <vector>

#include "cli/clock_text.h"
#include "cli/json_fields.h"
#include "link/encodings.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

constexpr const char* kNextStart = "next";

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
    waypoints.push_back({{"offset_minutes", row.offset_minutes},
                         {"samples", row.samples},
                         {"volume_litres", row.volume_tenths / 10.0},
                         {"timeout_minutes", row.timeout_minutes},
                         {"clean", (row.flags & kScheduleRowClean) != 0}});
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
  std::vector<ScheduleRow> rows;
  if (const nlohmann::ordered_json* waypoints = top.take("waypoints", true)) {
    if (!waypoints->is_array()) {
      top.fail("waypoints", "must be a list [...]");
    } else if (waypoints->size() > kScheduleRows) {
      top.fail("waypoints", "holds " + std::to_string(waypoints->size()) +
                                " waypoints; the instrument keeps at most 15");
    } else {
      for (std::size_t i = 0; i < waypoints->size() && top.ok(); ++i) {
        Fields row(waypoints->at(i), "waypoints[" + std::to_string(i) + "]", &result.error);
        ScheduleRow entry;
        entry.in_use = true;
        entry.offset_minutes = row.whole("offset_minutes", 65535, true).value_or(0);
        entry.samples = row.whole("samples", 255, true).value_or(0);
        entry.volume_litres =
            row.number("volume_litres", kMaxVolumeLitres, "litres", true).value_or(0);
        entry.timeout_minutes = row.whole("timeout_minutes", 255, true).value_or(0);
        entry.clean = row.flag("clean", false).value_or(false);
        row.finish();
        rows.push_back(entry);
      }
    }
  }
  top.finish();
  if (!result.error.empty()) return result;
  result.record = BuildScheduleRecord(autostart, start_time, rows);
  return result;
}

}  // namespace tq::cli
