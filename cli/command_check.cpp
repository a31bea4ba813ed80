// check: is the unit ready to go in the water? One line per check, OK, WARN or FAIL.
#include <cmath>
#include <cstdio>

#include "cli/clock_text.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/text_encoding.h"
#include "diagnostics/diagnostics_view.h"
#include "link/commands.h"
#include "shell/epoch.h"

namespace tq::cli {
namespace {

enum class Verdict { kOk, kWarn, kFail };

struct CheckLine {
  Verdict verdict;
  std::string what;
  std::string detail;
};

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

std::string format(const char* pattern, double value) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

CheckLine check_state(const SystemStatus& status) {
  if (status.sampler_state == static_cast<std::uint8_t>(SamplerState::kUnpowered)) {
    return {Verdict::kFail, "power", "the sampler supply is off; connect the battery"};
  }
  if (status.control_source == kControlSourceSchedule) {
    return {Verdict::kWarn, "state", "the schedule is in control already"};
  }
  if (status.sampler_state != static_cast<std::uint8_t>(SamplerState::kIdle)) {
    return {
        Verdict::kFail, "state",
        "the sampler is busy (state " + std::to_string(status.sampler_state) + "); stop it first"};
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
  if (!offset)
    return {Verdict::kFail, "clock", "the instrument's clock is not a real date; set it"};
  const std::string text = offset_text(*offset);
  if (std::fabs(static_cast<double>(*offset)) > limits.clock_offset_s) {
    return {Verdict::kWarn, "clock", text + "; set it with 'clock set --pc'"};
  }
  return {Verdict::kOk, "clock", text};
}

CheckLine check_schedule(const ScheduleRecord& schedule, std::uint32_t instrument_clock) {
  std::vector<const ScheduleEntry*> in_use;
  bool gap = false;
  for (const ScheduleEntry& row : schedule.rows) {
    if ((row.flags & kScheduleRowInUse) != 0) {
      if (gap)
        return {Verdict::kFail, "schedule", "a waypoint follows an empty slot; save it again"};
      in_use.push_back(&row);
    } else {
      gap = true;
    }
  }
  if (in_use.empty()) return {Verdict::kWarn, "schedule", "no waypoint in use"};
  for (std::size_t i = 0; i < in_use.size(); ++i) {
    const ScheduleEntry& row = *in_use[i];
    const std::string which = "waypoint " + std::to_string(i + 1);
    if (i > 0 && row.offset_minutes < in_use[i - 1]->offset_minutes) {
      return {Verdict::kFail, "schedule", which + " starts before the one above it"};
    }
    if (row.samples == 0) return {Verdict::kFail, "schedule", which + " takes no samples"};
    if (row.volume_tenths == 0) return {Verdict::kFail, "schedule", which + " pumps no water"};
  }
  if (schedule.start_time != 0 && static_cast<std::int32_t>(schedule.start_time) <=
                                      static_cast<std::int32_t>(instrument_clock)) {
    return {Verdict::kFail, "schedule",
            "its start, " + format_epoch(schedule.start_time) + ", has passed"};
  }
  return {Verdict::kOk, "schedule",
          std::to_string(in_use.size()) + " waypoint" + (in_use.size() == 1 ? "" : "s") +
              (schedule.start_time == 0
                   ? ", starting when the scheduler is started"
                   : ", starting at or after " + format_epoch(schedule.start_time))};
}

}  // namespace

int run_check(const CommandContext& context) {
  Connection* connection = context.connection();
  const CheckLimits& limits = context.invocation.check;
  std::vector<CheckLine> lines;
  const auto finish = [&] {
    bool failed = false;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CheckLine& line : lines) {
      failed = failed || line.verdict == Verdict::kFail;
      list.push_back(
          {{"check", line.what}, {"result", verdict_text(line.verdict)}, {"detail", line.detail}});
      if (!context.invocation.json) {
        char head[32];
        std::snprintf(head, sizeof head, "%-4s %-9s ", verdict_text(line.verdict),
                      line.what.c_str());
        context.console.out << head << line.detail << "\n";
      }
    }
    if (context.invocation.json)
      print_json(context.console.out, {{"ready", !failed}, {"checks", list}});
    return failed ? kExitInstrument : kExitOk;
  };

  SystemStatus status;
  if (const int result = GetSystemStatus(connection, &status); result != kResultOk) {
    lines.push_back({Verdict::kFail, "answers", "no status: " + describe_result(result)});
    return finish();
  }
  lines.push_back({Verdict::kOk, "answers", "the instrument answers"});
  lines.push_back(check_state(status));
  lines.push_back(check_supply(status, limits));

  DeviceTime clock;
  if (const int result = GetClock(connection, &clock); result == kResultOk) {
    lines.push_back(check_clock(clock, context.platform.local_now(), limits));
  } else {
    lines.push_back({Verdict::kFail, "clock", "not read: " + describe_result(result)});
  }

  ScheduleRecord schedule;
  if (const int result = GetSchedule(connection, &schedule); result == kResultOk) {
    lines.push_back(check_schedule(schedule, status.clock));
  } else {
    lines.push_back({Verdict::kFail, "schedule", "not read: " + describe_result(result)});
  }

  SampleLogEntry first;
  const int log_result = GetSampleLogEntry(connection, 0, &first);
  if (log_result == kResultNoSuchEntry) {
    lines.push_back({Verdict::kOk, "sample log", "empty"});
  } else if (log_result == kResultOk) {
    lines.push_back({Verdict::kWarn, "sample log",
                     "holds entries; save it ('log clear --after-save FILE') before deployment"});
  } else {
    lines.push_back({Verdict::kFail, "sample log", "not read: " + describe_result(log_result)});
  }

  // Errors the firmware logged since it last started.
  if (const int result = StartDiagnosticLogRead(connection); result == kResultOk) {
    std::size_t errors = 0;
    std::string last_error;
    for (;;) {
      DiagnosticLogEntry entry;
      const int read = GetDiagnosticLogEntry(connection, &entry);
      if (read != kResultOk) break;
      if (log_row_colour(entry) == kRowBlue) {
        errors = 0;  // a restart: what came before belongs to an earlier run
      } else if (entry.severity == kSeverityError) {
        ++errors;
        last_error = utf8_from_windows_1252(log_row_cells(entry).back());
      }
    }
    if (errors == 0) {
      lines.push_back({Verdict::kOk, "errors", "none since the last restart"});
    } else {
      lines.push_back(
          {Verdict::kWarn, "errors",
           std::to_string(errors) + " since the last restart, the last: " + last_error});
    }
  } else {
    lines.push_back({Verdict::kFail, "errors", "log not read: " + describe_result(result)});
  }

  std::uint8_t last_task = 0;
  if (const int result = GetTaskCount(connection, &last_task); result == kResultOk) {
    std::vector<std::string> full;
    for (std::uint8_t i = 1; i <= last_task; ++i) {
      TaskDetails task;
      if (GetTaskDetails(connection, i, &task) != kResultOk) continue;
      const std::uint32_t size = task.stack_end - task.stack_start + 1;
      const std::uint32_t used = task.stack_end - task.stack_top + 1;
      // A stack that spans the whole address space wraps its size to 0.
      // cppcheck-suppress knownConditionTrueFalse
      if (size != 0 && static_cast<double>(used) > 0.9 * size) {
        const std::string_view name(task.name.data(), task.name.size());
        full.push_back(utf8_from_windows_1252(name.substr(0, name.find('\0'))) + " " +
                       std::to_string(used) + "/" + std::to_string(size));
      }
    }
    if (full.empty()) {
      lines.push_back({Verdict::kOk, "stacks", "every task below 90% of its stack"});
    } else {
      std::string detail = "above 90%:";
      for (const std::string& task : full) detail += " " + task;
      lines.push_back({Verdict::kWarn, "stacks", detail});
    }
  } else {
    lines.push_back({Verdict::kFail, "stacks", "tasks not read: " + describe_result(result)});
  }
  return finish();
}

}  // namespace tq::cli
