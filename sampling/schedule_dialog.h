// The sampling schedule dialog's logic: what the dialog shows for the instrument's
// ScheduleRecord, which controls are enabled, and the record Save builds from the
// operator's entries (rows compacted, clamped and sorted by start offset).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "sampling/schedule_fields.h"
#include "sampling/volume_entry.h"
#include "ui/epoch.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kScheduleCaption = "Schedule";
inline constexpr const char* kScheduleReadFailedText = "Unable to retrieve schedule from device";
inline constexpr const char* kScheduleSaveCaption = "Save";
inline constexpr const char* kScheduleSaveFailedText = "Failed to save schedule";
inline constexpr const char* kScheduleSavedText = "Schedule saved";
inline constexpr const char* kScheduleClockCaption = "NOW";
inline constexpr const char* kScheduleClockFailedText = "Can't get time from sample.";
// The clock button copies the instrument's clock, whatever its tooltip says.
inline constexpr const char* kScheduleClockTooltip = "reset to PC time";

// The six controls of one waypoint row, in row order.
struct WaypointRowIds {
  int enable, offset, samples, volume, timeout, clean;
};

[[nodiscard]] constexpr WaypointRowIds waypoint_row_ids(int row) {
  return {IDC_SCHEDULE_ROW0_ENABLE + 4 * row,  IDC_SCHEDULE_ROW0_OFFSET + 4 * row,
          IDC_SCHEDULE_ROW0_SAMPLES + 4 * row, IDC_SCHEDULE_ROW0_VOLUME + row,
          IDC_SCHEDULE_ROW0_TIMEOUT + 4 * row, IDC_SCHEDULE_ROW0_CLEAN + row};
}

[[nodiscard]] constexpr std::array<WaypointRowIds, kScheduleRows> make_waypoint_rows() {
  std::array<WaypointRowIds, kScheduleRows> rows{};
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k] = waypoint_row_ids(static_cast<int>(k));
  return rows;
}

// The fifteen rows in order, the dialog's only way to address a row.
inline constexpr std::array<WaypointRowIds, kScheduleRows> kWaypointRows = make_waypoint_rows();
static_assert(IDC_SCHEDULE_ROWS == kScheduleRows);

// The row whose enable box has this id, if any.
[[nodiscard]] std::optional<std::size_t> waypoint_row_of_enable_box(int control_id);

enum class StartChoice : std::uint8_t { kNextStart = 0, kAtOrAfter = 1 };

struct StartChoiceRow {
  int id;
  StartChoice choice;
};

inline constexpr std::array<StartChoiceRow, 2> kStartChoices = {{
    {IDC_SCHEDULE_NEXT_START, StartChoice::kNextStart},
    {IDC_SCHEDULE_AT_OR_AFTER, StartChoice::kAtOrAfter},
}};

// ---- Loading ------------------------------------------------------------------------------

// What the dialog shows for a ScheduleRecord: every row's texts and boxes (all 15 slots,
// whatever their flags), the start choice and Autostart, and the moment for the pickers.
struct ScheduleView {
  WindowFace face;
  // For epoch_to_pickers: 0 for "from the next start", else the start time (an invalid
  // one leaves the pickers as they are).
  std::uint32_t picker_moment = 0;
};

[[nodiscard]] ScheduleView schedule_view(const ScheduleRecord& record);

// ---- Enabling -----------------------------------------------------------------------------

struct ScheduleSwitches {
  std::array<bool, kScheduleRows> row_enabled{};
  bool at_or_after = false;
};

// A row's edits and clean box follow its enable box (the box itself stays enabled); the
// pickers follow the at-or-after choice.
[[nodiscard]] std::vector<ControlFlag> schedule_enabled(const ScheduleSwitches& switches);

// ---- Saving -------------------------------------------------------------------------------

// A waypoint row as the operator left it.
struct WaypointEntry {
  bool enabled = false;
  std::string offset;
  std::string samples;
  std::string volume;
  std::string timeout;
  bool clean = false;
};

// Everything Save reads from the dialog.
struct ScheduleEntries {
  bool autostart = false;
  std::optional<StartChoice> start_choice;  // the first choice checked, none when neither is
  CalendarTime picked;                      // date of the date picker, time of the time picker
  std::array<WaypointEntry, kScheduleRows> rows{};
};

// The record Save sends: the checked rows, each entry limited to its field, built by the
// schedule's rule (sorted by start offset from slot 0); the start time from the pickers under "At
// or after" (kEpochInvalid for a moment outside the representable range), else 0.
[[nodiscard]] ScheduleRecord build_schedule_record(const ScheduleEntries& entries);

// ---- Clock button -------------------------------------------------------------------------

// The instrument's clock as EpochSeconds for the pickers, with the same UTC arithmetic;
// a moment it cannot represent gives kEpochInvalid (shown as 31/12/1969 23:59:59).
[[nodiscard]] std::uint32_t device_time_to_epoch(const DeviceTime& time);

}  // namespace tq
