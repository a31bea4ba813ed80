// The sampler's readiness rules.
#include "sampling/readiness.h"

#include <string>
#include <vector>

#include "sampling/run_view.h"
#include "ui/epoch.h"

namespace tq {
namespace {

std::string waypoints_text(std::size_t count) {
  return std::to_string(count) + " waypoint" + (count == 1 ? "" : "s");
}

}  // namespace

CheckLine check_state(const SystemStatus& status) {
  if (status.sampler_state == static_cast<std::uint8_t>(SamplerState::kUnpowered)) {
    return {Verdict::kFail, "power", "the sampler supply is off; connect the battery"};
  }
  if (status.control_source == kControlSourceSchedule) {
    return {Verdict::kWarn, "state", "the schedule is in control already"};
  }
  if (status.sampler_state != static_cast<std::uint8_t>(SamplerState::kIdle)) {
    return {Verdict::kFail, "state",
            "the sampler is busy (" + sampler_state_name(status) + "); stop it first"};
  }
  return {Verdict::kOk, "state", "powered and idle"};
}

CheckLine check_schedule(const ScheduleRecord& schedule, std::uint32_t instrument_clock,
                         bool schedule_in_control) {
  std::vector<const ScheduleEntry*> in_use;
  bool gap = false;
  for (const ScheduleEntry& row : schedule.rows) {
    if ((row.flags & kScheduleRowInUse) != 0) {
      if (gap) {
        return {Verdict::kFail, "schedule", "a waypoint follows an empty slot; save it again"};
      }
      in_use.push_back(&row);
    } else {
      gap = true;
    }
  }
  if (in_use.empty()) return {Verdict::kWarn, "schedule", "no waypoint in use"};
  std::string same_offset;
  for (std::size_t i = 0; i < in_use.size(); ++i) {
    const ScheduleEntry& row = *in_use[i];
    const std::string which = "waypoint " + std::to_string(i + 1);
    if (i > 0 && row.offset_minutes < in_use[i - 1]->offset_minutes) {
      return {Verdict::kFail, "schedule", which + " starts before the one above it"};
    }
    if (i > 0 && row.offset_minutes == in_use[i - 1]->offset_minutes && same_offset.empty()) {
      same_offset = "waypoints " + std::to_string(i) + " and " + std::to_string(i + 1) +
                    " start at the same time; give one a later offset";
    }
    if (row.samples == 0) return {Verdict::kFail, "schedule", which + " takes no samples"};
    if (row.volume_tenths == 0) return {Verdict::kFail, "schedule", which + " pumps no water"};
  }
  // Compared as the instrument's signed seconds: a start at the clock's very second has
  // passed too.
  if (schedule.start_time != 0 && static_cast<std::int32_t>(schedule.start_time) <=
                                      static_cast<std::int32_t>(instrument_clock)) {
    return {Verdict::kFail, "schedule",
            "its start, " + format_epoch(schedule.start_time) + ", has passed"};
  }
  if (!same_offset.empty()) return {Verdict::kWarn, "schedule", same_offset};
  if (schedule.autostart == 0 && !schedule_in_control) {
    return {Verdict::kWarn, "schedule",
            waypoints_text(in_use.size()) +
                ", but autostart is off and it is not started; start it with 'run start --mode "
                "schedule'"};
  }
  return {Verdict::kOk, "schedule",
          waypoints_text(in_use.size()) +
              (schedule.start_time == 0
                   ? ", starting when the scheduler is started"
                   : ", starting at or after " + format_epoch(schedule.start_time))};
}

CheckLine check_sample_log(bool holds_entries) {
  if (!holds_entries) return {Verdict::kOk, "sample log", "empty"};
  return {Verdict::kWarn, "sample log",
          "holds entries; save it ('log clear --after-save FILE') before deployment"};
}

}  // namespace tq
