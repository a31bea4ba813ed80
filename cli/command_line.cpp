// The command line, read with CLI11.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

#include "cli/check_rules.h"
#include "cli/invocation.h"
#include "link/encodings.h"
#include "sim/scenario.h"

namespace tq::cli {
namespace {

constexpr const char* kHelpHint = "Run 'tarnquill-cli --help' (or COMMAND --help) for the usage.";

// A refused command line: the reason, then where the usage is.
ParsedCommandLine refused(const std::string& why) {
  ParsedCommandLine result;
  result.exit_code = kExitUsage;
  result.text = "tarnquill-cli: " + why + "\n" + kHelpHint + "\n";
  return result;
}

void add_link_options(CLI::App& app, Invocation& in) {
  app.add_option("--port", in.link.port, "serial port of the instrument (see 'ports')")
      ->type_name("NAME");
  app.add_flag("--sim", in.link.simulator,
               "use the simulated instrument instead of a port (no hardware needed)");
  std::string scenarios = "start the simulated instrument in a scenario (repeatable):";
  for (const sim::ScenarioInfo& scenario : sim::Scenarios()) {
    scenarios += " ";
    scenarios += scenario.name;
  }
  app.add_option("--scenario", in.link.scenarios, scenarios)->type_name("NAME");
  app.add_option("--speed", in.link.speed,
                 "with --sim: the simulated instrument's time runs F times faster than real "
                 "time (0 stops its clock)")
      ->type_name("F")
      ->check(CLI::Range(0.0, 1000.0));
  app.add_flag("--json", in.json, "machine-readable output on standard output");
  app.add_flag("--trace", in.trace, "every Transaction on standard error");
  app.add_flag("--stats", in.stats, "the link's counters on standard error at the end");
}

// A word out of a few, in any case, for an option read into `T`; the refusal lists them.
template <class T>
CLI::Validator one_of(std::map<std::string, T> choices, const std::string& names) {
  return CLI::Validator(
      [choices = std::move(choices), names](std::string& value) -> std::string {
        std::string lower = value;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto found = choices.find(lower);
        if (found == choices.end()) return "'" + value + "' is not one of " + names;
        value = std::to_string(static_cast<int>(found->second));
        return std::string();
      },
      names);
}

// The commands a command line can end in, deepest first.
using Leaves = std::vector<std::pair<CLI::App*, Command>>;

CLI::App* command(CLI::App& parent, const char* name, const char* description, Leaves& leaves,
                  Command which) {
  CLI::App* sub = parent.add_subcommand(name, description);
  leaves.insert(leaves.begin(), {sub, which});
  return sub;
}

// A plain decimal number: digits, at most one point, nothing else (no sign, exponent,
// "nan" or "inf", which a general reader would take).
std::optional<double> plain_number(const std::string& text, bool point_allowed) {
  bool digits = false;
  bool point = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && point_allowed && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits || text.size() > 32) return std::nullopt;
  return std::strtod(text.c_str(), nullptr);
}

void add_force_option(CLI::App& command, Invocation& in) {
  command.add_flag("--force", in.force, "replace FILE when it exists");
}

void add_format_option(CLI::App& command, Invocation& in) {
  command
      .add_option("--format", in.json_format,
                  "csv (as the program's Save writes it, the default) or json (every field raw)")
      ->type_name("FORMAT")
      ->transform(one_of<bool>({{"csv", false}, {"json", true}}, "csv, json"));
}

void add_log_commands(CLI::App& app, Invocation& in, Leaves& leaves, const char* name,
                      const char* what, Command save, Command clear) {
  CLI::App* group = app.add_subcommand(name, std::string("the ") + what);
  group->require_subcommand(1);
  CLI::App* save_command =
      command(*group, "save", (std::string("save the ") + what + " to FILE").c_str(), leaves, save);
  save_command->add_option("FILE", in.file, "file to write")->required();
  add_format_option(*save_command, in);
  add_force_option(*save_command, in);
  CLI::App* clear_command =
      command(*group, "clear", (std::string("wipe the ") + what + " on the instrument").c_str(),
              leaves, clear);
  clear_command->add_flag("--yes", in.yes, "do not ask (needed when not on a terminal)");
  clear_command
      ->add_option("--after-save", in.file,
                   "first save to FILE, read it back and compare it with the "
                   "instrument's log; clear only when they agree")
      ->type_name("FILE");
  add_format_option(*clear_command, in);
  add_force_option(*clear_command, in);
}

// The Run view's codes of the four modes.
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

ParsedCommandLine parse_command_line(std::span<const std::string> args) {
  Invocation in;
  CLI::App app("tarnquill-cli: the cartridge water sampler from a terminal and from scripts",
               "tarnquill-cli");
  app.fallthrough();  // global options may follow the command too
  app.require_subcommand(1);
  add_link_options(app, in);
  Leaves leaves;

  command(app, "ports", "list this computer's serial ports", leaves, Command::kPorts);
  command(app, "info", "the instrument's identity, firmware and clock", leaves, Command::kInfo);
  command(app, "status", "the instrument's status and health", leaves, Command::kStatus)
      ->add_flag("--watch", in.watch, "repeat every second until interrupted");
  add_log_commands(app, in, leaves, "log", "sample log", Command::kLogSave, Command::kLogClear);
  add_log_commands(app, in, leaves, "diag", "diagnostic log", Command::kDiagSave,
                   Command::kDiagClear);

  CLI::App* clock =
      command(app, "clock", "show or set the instrument's clock", leaves, Command::kClockShow);
  CLI::App* clock_set =
      command(*clock, "set", "set the instrument's clock", leaves, Command::kClockSet);
  clock_set->add_flag("--pc", in.set_from_pc, "to this computer's local time");
  clock_set->add_option("TIME", in.time, "to this local time: YYYY-MM-DD HH:MM:SS");
  clock_set->callback([&in] {
    if (in.set_from_pc == !in.time.empty()) {
      throw CLI::ValidationError("clock set", "give either --pc or a TIME, not both or neither");
    }
  });

  CLI::App* schedule = app.add_subcommand("schedule", "the sampling schedule");
  schedule->require_subcommand(1);
  CLI::App* schedule_get =
      command(*schedule, "get", "write the schedule as JSON to FILE (or standard output)", leaves,
              Command::kScheduleGet);
  schedule_get->add_option("FILE", in.file, "file to write");
  add_force_option(*schedule_get, in);
  command(*schedule, "set", "check the schedule in FILE, send it and read it back", leaves,
          Command::kScheduleSet)
      ->add_option("FILE", in.file, "schedule file (see docs/cli.md)")
      ->required();

  CLI::App* config = app.add_subcommand("config", "every configuration the instrument stores");
  config->require_subcommand(1);
  CLI::App* config_save = command(*config, "save", "save it to FILE", leaves, Command::kConfigSave);
  config_save->add_option("FILE", in.file, "file to write")->required();
  add_force_option(*config_save, in);
  command(*config, "diff", "list what differs from FILE", leaves, Command::kConfigDiff)
      ->add_option("FILE", in.file, "a file 'config save' wrote")
      ->required();
  CLI::App* config_load = command(*config, "load", "write FILE's configuration and verify it",
                                  leaves, Command::kConfigLoad);
  config_load->add_option("FILE", in.file, "a file 'config save' wrote")->required();
  config_load->add_flag("--other-unit", in.other_unit,
                        "FILE was saved from another unit: load it anyway, keeping this unit's "
                        "name and serial number");
  config_load->add_flag("--with-identity", in.with_identity,
                        "with --other-unit: write FILE's name and serial number too");

  CLI::App* run = app.add_subcommand("run", "start and stop the sampler");
  run->require_subcommand(1);
  CLI::App* start =
      command(*run, "start", "start a run, or the stored schedule", leaves, Command::kRunStart);
  start->add_option("--mode", in.run.mode, "load, sample, prime or schedule")
      ->required()
      ->type_name("MODE")
      ->transform(one_of<RunMode>({{"load", RunMode::kLoad},
                                   {"sample", RunMode::kSample},
                                   {"prime", RunMode::kPrime},
                                   {"schedule", RunMode::kSchedule}},
                                  "load, sample, prime, schedule"));
  start->add_option("--cartridges", in.run.cartridges, "number of cartridges (0-255)");
  start->add_option("--volume", in.run.volume, "sample volume, litres (0.0-25.5)");
  start->add_option("--timeout", in.run.timeout, "sample timeout, minutes (0-255)");
  start->add_flag("--clean", in.run.clean, "enable cleaning");
  command(*run, "stop", "stop the run, or the schedule when it is in control", leaves,
          Command::kRunStop);

  CLI::App* check =
      command(app, "check", "readiness report before a deployment", leaves, Command::kCheck);
  check->add_option("--clock-limit", in.check.clock_offset_s,
                    "largest clock offset from this computer, seconds (default 5)");
  check->add_option("--supply-min", in.check.supply_min_v, "lowest supply voltage (default 11)");
  check->add_option("--supply-max", in.check.supply_max_v, "highest supply voltage (default 15)");
  check->add_flag("--strict", in.check.strict, "a WARN fails the check too");
  add_archive_commands(app, in, leaves);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  ParsedCommandLine result;
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    result.text = app.help();
    return result;
  } catch (const CLI::CallForAllHelp&) {
    result.text = app.help("", CLI::AppFormatMode::All);
    return result;
  } catch (const CLI::ParseError& error) {
    // A misspelt command shows only as a word left over: name it rather than the command
    // that is then missing.
    if (const std::vector<std::string> left = app.remaining(true); !left.empty()) {
      return refused("'" + left.front() + "' is not a command or option here");
    }
    return refused(error.what());
  }
  for (const auto& [sub, which] : leaves) {
    if (sub->parsed()) {
      in.command = which;
      break;
    }
  }
  if (!in.link.simulator && (!in.link.scenarios.empty() || in.link.speed)) {
    return refused("--scenario and --speed belong to the simulated instrument; add --sim");
  }
  if (!in.link.simulator && in.link.port.empty() && in.command != Command::kPorts &&
      !works_on_archive_only(in.command) && !names_its_own_port(in.command)) {
    return refused("no instrument named: give --port NAME (see 'tarnquill-cli ports') or --sim");
  }
  if (in.link.simulator && !in.link.port.empty()) {
    return refused("--port and --sim name two instruments; give one");
  }
  if (in.with_identity && !in.other_unit) {
    return refused("--with-identity goes with --other-unit");
  }
  if (in.command == Command::kCheck) {
    if (const std::string problem = check_limits_problem(in.check); !problem.empty()) {
      return refused(problem);
    }
  }
  if (in.command == Command::kRunStart && in.run.mode != RunMode::kSchedule) {
    std::string problem;
    if (!run_values(in.run, &problem)) return refused(problem);
  }
  result.invocation = in;
  return result;
}

std::optional<RunFields> run_values(const RunStart& start, std::string* problem) {
  RunFields values;
  values.run_mode = run_mode_code(start.mode);
  values.clean = start.clean ? 1 : 0;
  const auto whole = [&](const std::string& text, const char* option, const char* what,
                         std::uint8_t* out) {
    const auto value = plain_number(text, false);
    if (!value || *value > 255) {
      *problem =
          std::string(option) + " '" + text + "' must be a whole number from 0 to 255 " + what;
      return false;
    }
    *out = static_cast<std::uint8_t>(*value);
    return true;
  };
  if (!whole(start.cartridges, "--cartridges", "cartridges", &values.cartridge_count) ||
      !whole(start.timeout, "--timeout", "minutes", &values.timeout_minutes)) {
    return std::nullopt;
  }
  const auto litres = plain_number(start.volume, true);
  if (!litres || *litres > kMaxVolumeLitres) {
    *problem = "--volume '" + start.volume + "' must be a number of litres from 0 to 25.5";
    return std::nullopt;
  }
  values.volume_tenths = VolumeToTenths(*litres);
  return values;
}

}  // namespace tq::cli
