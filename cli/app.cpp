// Running a command line.
#include "cli/app.h"

#include <ostream>

#include "cli/commands.h"
#include "link/link_stats.h"
#include "link/transaction_trace.h"

namespace tq::cli {
namespace {

int run_command(const CommandContext& context);

}  // namespace

int run_cli(std::span<const std::string> args, Console& console, const Platform& platform) {
  const ParsedCommandLine parsed = parse_command_line(args);
  if (!parsed.invocation) {
    (parsed.exit_code == kExitOk ? console.out : console.err) << parsed.text;
    return parsed.exit_code;
  }
  return run_invocation(*parsed.invocation, console, platform);
}

int run_invocation(const Invocation& invocation, Console& console, const Platform& platform) {
  if (invocation.command == Command::kPorts) {
    return run_ports({invocation, console, platform, nullptr});
  }
  if (works_on_archive_only(invocation.command)) {
    return run_archive({invocation, console, platform, nullptr});
  }
  std::string error;
  LinkOptions link = invocation.link;
  if (!link.simulator && link.port.empty() && names_its_own_port(invocation.command)) {
    link.port = last_connected_port();
  }
  std::optional<Session> session = open_session(link, platform, &error);
  if (!session) {
    console.err << "tarnquill-cli: " << error << "\n";
    // A port that does not open is an instrument that cannot answer; a scenario that
    // does not exist is a mistake in the command line.
    return invocation.link.simulator ? kExitUsage : kExitInstrument;
  }
  if (invocation.trace) {
    std::ostream& err = console.err;
    SetTransactionTrace(*session->connection,
                        LineTrace([&err](std::string_view line) { err << line << "\n"; }));
  }
  const CommandContext context{invocation, console, platform, &*session};
  const int status = run_command(context);
  if (invocation.stats) {
    console.err << FormatConnectionStats(ReadConnectionStats(*session->connection)) << "\n";
  }
  return status;
}

namespace {

int run_command(const CommandContext& context) {
  Console& console = context.console;
  switch (context.invocation.command) {
    case Command::kInfo:
      return run_info(context);
    case Command::kClockShow:
      return run_clock_show(context);
    case Command::kClockSet:
      return run_clock_set(context);
    case Command::kScheduleGet:
      return run_schedule_get(context);
    case Command::kScheduleSet:
      return run_schedule_set(context);
    case Command::kRunStart:
      return run_run_start(context);
    case Command::kRunStop:
      return run_run_stop(context);
    case Command::kConfigSave:
      return run_config_save(context);
    case Command::kConfigDiff:
      return run_config_diff(context);
    case Command::kConfigLoad:
      return run_config_load(context);
    case Command::kStatus:
      return run_status(context);
    case Command::kLogSave:
      return run_log_save(context);
    case Command::kLogClear:
      return run_log_clear(context);
    case Command::kDiagSave:
      return run_diag_save(context);
    case Command::kDiagClear:
      return run_diag_clear(context);
    case Command::kCheck:
      return run_check(context);
    case Command::kCollect:
      return run_collect(context);
    case Command::kPorts:
    case Command::kArchiveInstruments:
    case Command::kArchiveDownloads:
    case Command::kArchiveSamples:
    case Command::kArchiveMerge:
    case Command::kArchiveVerify:
    case Command::kArchiveReport:
    case Command::kArchivePush:
      break;  // run before any instrument is opened
  }
  console.err << "tarnquill-cli: this command needs no instrument\n";
  return kExitUsage;
}

}  // namespace

}  // namespace tq::cli
