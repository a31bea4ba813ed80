// run start and run stop: the Run view's Start and Stop.
#include "cli/commands.h"
#include "cli/report.h"
#include "link/commands.h"
#include "link/encodings.h"
#include "shell/entry_parse.h"

namespace tq::cli {
namespace {

std::uint8_t run_mode_code(RunMode mode) {
  switch (mode) {
    case RunMode::kLoad:
      return kRunModeLoadUnload;
    case RunMode::kSample:
      return kRunModeSample;
    case RunMode::kPrime:
      return kRunModePrime;
    case RunMode::kSchedule:
      return kRunModeSchedule;
  }
  return kRunModeLoadUnload;
}

}  // namespace

int run_run_start(const CommandContext& context) {
  const RunStart& start = context.invocation.run;
  if (start.mode == RunMode::kSchedule) {
    if (const int result = StartSchedule(context.connection()); result != kResultOk) {
      return report_failure(context.console.err, "StartSchedule", result);
    }
    if (!context.invocation.json) context.console.out << "Schedule started\n";
    return kExitOk;
  }
  // The values as the Run view reads its entries: limited to their fields, never refused.
  RunRequest request;
  request.run_mode = run_mode_code(start.mode);
  request.cartridge_count = static_cast<std::uint8_t>(parse_unsigned_entry(start.cartridges, 255));
  request.volume_tenths = VolumeToTenths(parse_double_entry(start.volume));
  request.timeout_minutes = static_cast<std::uint8_t>(parse_unsigned_entry(start.timeout, 255));
  request.clean = start.clean ? 1 : 0;
  const std::int64_t now = context.platform.utc_now();
  request.start_time = now < 0 || now > 0xFFFFFFFFLL ? 0 : static_cast<std::uint32_t>(now);
  if (const int result = StartRun(context.connection(), request); result != kResultOk) {
    return report_failure(context.console.err, "StartRun", result);
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
  if (const int result = GetSystemStatus(connection, &status); result != kResultOk) {
    return report_failure(context.console.err, "GetSystemStatus", result);
  }
  // As the Run view's Stop: the instrument's control source decides, not the mode.
  const bool schedule = status.control_source == kControlSourceSchedule;
  const int result = schedule ? StopSchedule(connection) : StopRun(connection);
  if (result != kResultOk) {
    return report_failure(context.console.err, schedule ? "StopSchedule" : "StopRun", result);
  }
  if (!context.invocation.json) {
    context.console.out << (schedule ? "Schedule stopped\n" : "Run stopped\n");
  }
  return kExitOk;
}

}  // namespace tq::cli
