// Running the stored schedule.
#include "sim/schedule_runner.h"

#include <algorithm>

#include "sim/diagnostic_log.h"
#include "sim/run_machine.h"

namespace tq::sim {
namespace {

constexpr LogSite kSiteStart{kTaskScheduler, "sched_start", 88};
constexpr LogSite kSiteStop{kTaskScheduler, "sched_stop", 131};
constexpr LogSite kSiteWaypoint{kTaskScheduler, "sched_tick", 176};
constexpr LogSite kSiteWaypointFailed{kTaskScheduler, "sched_tick", 189};

std::uint32_t EventTime(const ScheduleRun& run, std::size_t index) {
  const std::uint64_t at = run.start + run.waypoints[index].offset_minutes * 60ULL;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(at, 0xFFFFFFFFULL));
}

}  // namespace

std::uint8_t StartScheduleRun(Instrument& instrument) {
  if (!instrument.powered) return kDeviceUnpowered;
  if (instrument.schedule_run.active || instrument.run.active) return kDeviceBusy;
  ScheduleRecord record;
  DecodeScheduleRecord(instrument.schedule, record);
  ScheduleRun run;
  run.active = true;
  for (const ScheduleEntry& row : record.rows) {
    if ((row.flags & kScheduleRowInUse) != 0) run.waypoints.push_back(row);
  }
  std::stable_sort(run.waypoints.begin(), run.waypoints.end(),
                   [](const ScheduleEntry& a, const ScheduleEntry& b) {
                     return a.offset_minutes < b.offset_minutes;
                   });
  // "At or after": a start time already past means now.
  run.start = std::max(record.start_time, ClockSeconds(instrument));
  instrument.schedule_run = run;
  LogEvent(instrument, kSiteStart, kSeverityInformation,
           Printf("Schedule started: %u waypoints", static_cast<unsigned>(run.waypoints.size())));
  return 0;
}

std::uint8_t StopScheduleRun(Instrument& instrument) {
  if (!instrument.schedule_run.active) return 0;
  instrument.schedule_run = ScheduleRun{};
  if (instrument.run.active && instrument.run.from_schedule) CancelRun(instrument);
  LogEvent(instrument, kSiteStop, kSeverityInformation, "Schedule stopped, manual control");
  return 0;
}

void StepSchedule(Instrument& instrument) {
  ScheduleRun& schedule = instrument.schedule_run;
  if (!schedule.active || !instrument.powered || instrument.run.active) return;
  if (schedule.next >= schedule.waypoints.size()) return;
  if (ClockSeconds(instrument) < EventTime(schedule, schedule.next)) return;
  const ScheduleEntry waypoint = schedule.waypoints[schedule.next];
  ++schedule.next;
  RunRequest request;
  request.run_mode = kRunModeSample;
  request.cartridge_count = waypoint.samples;
  request.volume_tenths = waypoint.volume_tenths;
  request.timeout_minutes = waypoint.timeout_minutes;
  request.clean = (waypoint.flags & kScheduleRowClean) != 0 ? 1 : 0;
  request.start_time = ClockSeconds(instrument);
  LogEvent(instrument, kSiteWaypoint, kSeverityInformation,
           Printf("Waypoint %u: %u samples of %.1f l", static_cast<unsigned>(schedule.next),
                  waypoint.samples, waypoint.volume_tenths / 10.0));
  const std::uint8_t result = StartRunning(instrument, request, true);
  if (result != 0) {
    LogEvent(instrument, kSiteWaypointFailed, kSeverityError,
             Printf("Waypoint %u not started (%u)", static_cast<unsigned>(schedule.next), result));
  }
}

std::uint32_t NextEventTime(const Instrument& instrument) {
  const ScheduleRun& schedule = instrument.schedule_run;
  if (!schedule.active || schedule.next >= schedule.waypoints.size()) return 0;
  return EventTime(schedule, schedule.next);
}

}  // namespace tq::sim
