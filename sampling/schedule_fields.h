// The fields of a schedule row (a waypoint): key in the schedule file, record member, limit
// and unit; and the one rule that turns the rows entered into the record SetSchedule
// sends. The schedule dialog and the command-line tool both read and build by them.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/encodings.h"
#include "link/records.h"
#include "ui/record_fields.h"
#include "ui/resource.h"

namespace tq {

// The whole-number fields in the file's order (the volume comes between samples and
// timeout). The control ids are row 0's; waypoint_row_ids gives every row's.
inline constexpr std::array<WholeField<ScheduleEntry>, 3> kWaypointFields = {{
    {IDC_SCHEDULE_ROW0_OFFSET, "offset_minutes", &ScheduleEntry::offset_minutes, 65535, "min"},
    {IDC_SCHEDULE_ROW0_SAMPLES, "samples", &ScheduleEntry::samples, 255, ""},
    {IDC_SCHEDULE_ROW0_TIMEOUT, "timeout_minutes", &ScheduleEntry::timeout_minutes, 255, "min"},
}};
inline constexpr std::size_t kWaypointFieldsBeforeVolume = 2;

inline constexpr std::uint32_t kMaxWaypointOffset =
    max_of(kWaypointFields, &ScheduleEntry::offset_minutes);
inline constexpr std::uint32_t kMaxWaypointSamples =
    max_of(kWaypointFields, &ScheduleEntry::samples);
inline constexpr std::uint32_t kMaxWaypointTimeout =
    max_of(kWaypointFields, &ScheduleEntry::timeout_minutes);

// A volume written in litres and held in tenths of a litre.
struct LitresField {
  int id;
  const char* key;
  std::uint8_t ScheduleEntry::*member;
  double max;  // litres
  const char* unit;
};
inline constexpr LitresField kWaypointVolumeField = {IDC_SCHEDULE_ROW0_VOLUME, "volume_litres",
                                                     &ScheduleEntry::volume_tenths,
                                                     kMaxVolumeLitres, "litres"};

// The clean flag (kScheduleRowClean), last in the file.
inline constexpr const char* kWaypointCleanKey = "clean";

// The record SetSchedule sends: only the rows in use (kScheduleRowInUse), ordered by start
// offset (equal offsets keep their order), placed from the first slot on; every other byte
// zero. Should more rows be in use than the record holds, the earliest kScheduleRows are
// kept.
[[nodiscard]] ScheduleRecord build_schedule_record(bool autostart, std::uint32_t start_time,
                                                   std::span<const ScheduleEntry> rows);

}  // namespace tq
