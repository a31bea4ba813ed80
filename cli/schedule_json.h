// The schedule as a JSON document, the file 'schedule get' writes and 'schedule set'
// reads (docs/cli.md describes it):
//
//   {"autostart": false, "start": "next" | "YYYY-MM-DDTHH:MM:SS",
//    "waypoints": [{"offset_minutes": 0, "samples": 2, "volume_litres": 2.5,
//                   "timeout_minutes": 30, "clean": false}, ...]}
//
// The start time is the instrument's own wall-clock time, without a zone.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "link/records.h"

namespace tq::cli {

// The rows in use, in the record's order.
[[nodiscard]] nlohmann::ordered_json schedule_to_json(const ScheduleRecord& schedule);

struct ScheduleFromJson {
  std::optional<ScheduleRecord> record;  // as SetSchedule sends it: rows sorted, the rest 0
  std::string error;                     // names the field and says what is wrong
};

// Checks every field (no unknown ones, each in its range, at most 15 waypoints) and builds
// the record as the schedule dialog does.
[[nodiscard]] ScheduleFromJson schedule_from_json(const nlohmann::ordered_json& document);

}  // namespace tq::cli
