// run start and run stop: the Run view's Start and Stop.
#include "cli/commands.h"
#include "cli/report.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "link/encodings.h"
#include "sampling/run_fields.h"
#include "sampling/run_view.h"

namespace tq::cli {
namespace {

// A StartSchedule whose answer was lost took effect when the schedule is in control.
int in_control(const CommandContext& context, bool* took) {
  SystemStatus status;
  const int result = GetSystemStatus(context.connection(), &status);
  *took = result == kResultOk && status.control_source == kControlSourceSchedule;
  return result;
}

}  // namespace

int run_run_start(const CommandContext& context) {
  const RunStart& start = context.invocation.run;
  if (start.mode == RunMode::kSchedule) {
    if (const int result = context.write([&] { return StartSchedule(context.connection()); },
                                         [&](bool* took) { return in_control(context, took); });
        result != kResultOk) {
      return report_failure(context.console.err, kCmdStartSchedule, result);
    }
    if (context.invocation.json) {
      print_json(context.console.out, {{"started", "schedule"}});
    } else {
      context.console.out << "Schedule started\n";
    }
    return kExitOk;
  }
  // Checked when the command line was read; a script gets no silent clamp.
  std::string problem;
  const auto fields = run_values(start, &problem);
  if (!fields) {
    context.console.err << "tarnquill-cli: " << problem << "; nothing was sent\n";
    return kExitUsage;
  }
  const auto request = start_run_request(*fields, context.platform.utc_now());
  const auto running = [&](bool* took) {
    SystemStatus status;
    const int result = GetSystemStatus(context.connection(), &status);
    *took = result == kResultOk &&
            status.sampler_state != static_cast<std::uint8_t>(SamplerState::kIdle);
    return result;
  };
  if (const int result =
          context.write([&] { return StartRun(context.connection(), request); }, running);
      result != kResultOk) {
    return report_failure(context.console.err, kCmdStartRun, result);
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"mode", request.run_mode},
                                     {"cartridges", request.cartridge_count},
                                     {"volume_tenths", request.volume_tenths},
                                     {"timeout_minutes", request.timeout_minutes},
                                     {"clean", request.clean != 0},
                                     {"start_time", request.start_time}});
  } else {
    context.console.out << "Run started: " << int{request.cartridge_count} << " cartridges, "
                        << TenthsToLitres(request.volume_tenths) << " litres, "
                        << int{request.timeout_minutes} << " min"
                        << (request.clean ? ", cleaning" : "") << "\n";
  }
  return kExitOk;
}

int run_run_stop(const CommandContext& context) {
  Connection* connection = context.connection();
  SystemStatus status;
  if (const int result = context.read([&] { return GetSystemStatus(connection, &status); });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdGetSystemStatus, result);
  }
  // As the Run view's Stop: the instrument's control source decides, not the mode.
  const bool schedule = stop_stops_schedule(status.control_source);
  const int result = context.write(
      [&] { return send_stop(connection, status.control_source); },
      [&](bool* took) {
        SystemStatus now;
        const int read = GetSystemStatus(connection, &now);
        *took = read == kResultOk &&
                (schedule ? now.control_source != kControlSourceSchedule
                          : now.sampler_state == static_cast<std::uint8_t>(SamplerState::kIdle));
        return read;
      });
  if (result != kResultOk) {
    return report_failure(context.console.err, schedule ? kCmdStopSchedule : kCmdStopRun, result);
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"stopped", schedule ? "schedule" : "run"}});
  } else {
    context.console.out << (schedule ? "Schedule stopped\n" : "Run stopped\n");
  }
  return kExitOk;
}

}  // namespace tq::cli
