// The readiness rules.
#include "cli/check_rules.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "cli/clock_text.h"
#include "cli/report.h"
#include "cli/text_encoding.h"
#include "diagnostics/diagnostics_view.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

std::string format(const char* pattern, double value) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string waypoints_text(std::size_t count) {
  return std::to_string(count) + " waypoint" + (count == 1 ? "" : "s");
}

}  // namespace

const char* verdict_text(Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk:
      return "OK";
    case Verdict::kWarn:
      return "WARN";
    case Verdict::kFail:
      return "FAIL";
  }
  return "FAIL";
}

std::string check_limits_problem(const CheckLimits& limits) {
  if (!std::isfinite(limits.clock_offset_s) || limits.clock_offset_s < 0) {
    return "--clock-limit must be a number of seconds, 0 or more";
  }
  if (!std::isfinite(limits.supply_min_v) || !std::isfinite(limits.supply_max_v)) {
    return "--supply-min and --supply-max must be numbers of volts";
  }
  if (limits.supply_min_v > limits.supply_max_v) {
    return "--supply-min is above --supply-max; give the lower voltage first";
  }
  return "";
}

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

CheckLine check_supply(const SystemStatus& status, const CheckLimits& limits) {
  const double volts = status.supply_voltage;
  const std::string reading = format("%.2f V", volts);
  if (!std::isfinite(volts) || volts < limits.supply_min_v || volts > limits.supply_max_v) {
    return {Verdict::kFail, "supply",
            reading + format(", outside %.2f", limits.supply_min_v) +
                format(" to %.2f V", limits.supply_max_v)};
  }
  return {Verdict::kOk, "supply", reading};
}

CheckLine check_clock(const DeviceTime& instrument, const DeviceTime& computer,
                      const CheckLimits& limits) {
  const auto offset = clock_offset(instrument, computer);
  if (!offset) {
    return {Verdict::kFail, "clock", "the instrument's clock is not a real date; set it"};
  }
  const std::string text = offset_text(*offset);
  if (std::fabs(static_cast<double>(*offset)) > limits.clock_offset_s) {
    return {Verdict::kFail, "clock", text + "; set it with 'clock set --pc'"};
  }
  return {Verdict::kOk, "clock", text};
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

CheckLine check_errors(std::span<const DiagnosticLogEntry> log) {
  std::size_t errors = 0;
  std::string last_error;
  for (const DiagnosticLogEntry& entry : log) {
    if (log_row_colour(entry) == kRowBlue) {
      errors = 0;  // a restart: what came before belongs to an earlier run
    } else if (entry.severity == kSeverityError) {
      ++errors;
      last_error = utf8_from_windows_1252(log_row_cells(entry).back());
    }
  }
  if (errors == 0) return {Verdict::kOk, "errors", "none since the last restart"};
  return {Verdict::kWarn, "errors",
          std::to_string(errors) + " since the last restart, the last: " + last_error};
}

bool check_fails(std::span<const CheckLine> lines, bool strict) {
  for (const CheckLine& line : lines) {
    if (line.verdict == Verdict::kFail || (strict && line.verdict == Verdict::kWarn)) return true;
  }
  return false;
}

}  // namespace tq::cli
