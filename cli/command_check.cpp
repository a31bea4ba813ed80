// check: is the unit ready to go in the water? One line per check, OK, WARN or FAIL.
#include <cstdio>
#include <vector>

#include "cli/check_rules.h"
#include "cli/commands.h"
#include "cli/diagnostic_reader.h"
#include "cli/report.h"
#include "config/readiness.h"
#include "diagnostics/readiness.h"
#include "link/commands.h"
#include "sampling/readiness.h"

namespace tq::cli {

int run_check(const CommandContext& context) {
  Connection* connection = context.connection();
  const CheckLimits& limits = context.invocation.check;
  std::vector<CheckLine> lines;
  const auto finish = [&] {
    const bool failed = check_fails(lines, limits.strict);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CheckLine& line : lines) {
      list.push_back(
          {{"check", line.what}, {"result", verdict_text(line.verdict)}, {"detail", line.detail}});
      if (!context.invocation.json) {
        char head[32];
        std::snprintf(head, sizeof head, "%-4s %-9s ", verdict_text(line.verdict),
                      line.what.c_str());
        context.console.out << head << line.detail << "\n";
      }
    }
    if (context.invocation.json) {
      print_json(context.console.out, {{"ready", !failed}, {"checks", list}});
    }
    return failed ? kExitInstrument : kExitOk;
  };
  // Ctrl+C: what was checked so far is no verdict.
  const auto stopped = [&](int result) { return result == kResultInterrupted; };

  SystemStatus status;
  if (const int result = context.read([&] { return GetSystemStatus(connection, &status); });
      result != kResultOk) {
    if (stopped(result)) return report_interrupted(context.console.err);
    lines.push_back({Verdict::kFail, "answers", "no status: " + describe_result(result)});
    return finish();
  }
  lines.push_back({Verdict::kOk, "answers", "the instrument answers"});
  lines.push_back(check_state(status));
  lines.push_back(check_supply(status, limits.supply_min_v, limits.supply_max_v));

  DeviceTime clock;
  if (const int result = context.read([&] { return GetClock(connection, &clock); });
      stopped(result)) {
    return report_interrupted(context.console.err);
  } else if (result == kResultOk) {
    lines.push_back(check_clock(clock, context.platform.local_now(), limits.clock_offset_s));
  } else {
    lines.push_back({Verdict::kFail, "clock", "not read: " + describe_result(result)});
  }

  ScheduleRecord schedule;
  if (const int result = context.read([&] { return GetSchedule(connection, &schedule); });
      stopped(result)) {
    return report_interrupted(context.console.err);
  } else if (result == kResultOk) {
    lines.push_back(
        check_schedule(schedule, status.clock, status.control_source == kControlSourceSchedule));
  } else {
    lines.push_back({Verdict::kFail, "schedule", "not read: " + describe_result(result)});
  }

  SampleLogEntry first;
  const int log_result = context.read([&] { return GetSampleLogEntry(connection, 0, &first); });
  if (stopped(log_result)) return report_interrupted(context.console.err);
  if (log_result == kResultNoSuchEntry || log_result == kResultOk) {
    lines.push_back(check_sample_log(log_result == kResultOk));
  } else {
    lines.push_back({Verdict::kFail, "sample log", "not read: " + describe_result(log_result)});
  }

  // Errors the firmware logged since it last started.
  std::vector<DiagnosticLogEntry> log;
  DiagnosticReader reader(connection);
  int log_read = kResultOk;
  while (log_read == kResultOk) {
    DiagnosticLogEntry entry;
    log_read = context.read([&] { return reader.next(log.size(), &entry); });
    if (log_read == kResultOk) log.push_back(entry);
  }
  if (stopped(log_read)) return report_interrupted(context.console.err);
  // Any answer but the link's failure ends the log.
  if (log_read == kResultLinkFailure || reader.start_refused() != kResultOk) {
    lines.push_back({Verdict::kFail, "errors",
                     "log not read: " + describe_result(reader.start_refused() != kResultOk
                                                            ? reader.start_refused()
                                                            : log_read)});
  } else {
    lines.push_back(check_errors(log));
  }

  std::uint8_t last_task = 0;
  if (const int result = context.read([&] { return GetTaskCount(connection, &last_task); });
      stopped(result)) {
    return report_interrupted(context.console.err);
  } else if (result == kResultOk) {
    std::vector<TaskDetails> tasks;
    // Counted wider than the byte: a count of 255 must end the loop.
    for (unsigned i = 1; i <= last_task; ++i) {
      TaskDetails task;
      const int read = context.read(
          [&] { return GetTaskDetails(connection, static_cast<std::uint8_t>(i), &task); });
      if (stopped(read)) return report_interrupted(context.console.err);
      if (read == kResultOk) tasks.push_back(task);
    }
    lines.push_back(check_stacks(tasks));
  } else {
    lines.push_back({Verdict::kFail, "stacks", "tasks not read: " + describe_result(result)});
  }
  return finish();
}

}  // namespace tq::cli
