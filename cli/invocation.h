// A tarnquill-cli command line, parsed: which command, on which instrument, with what.
// Parsing touches nothing, so every refusal can be tested.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cli/archive_options.h"
#include "cli/session.h"
#include "sampling/run_fields.h"

namespace tq::cli {

enum class Command {
  kPorts,
  kInfo,
  kStatus,
  kLogSave,
  kLogClear,
  kDiagSave,
  kDiagClear,
  kClockShow,
  kClockSet,
  kScheduleGet,
  kScheduleSet,
  kConfigSave,
  kConfigDiff,
  kConfigLoad,
  kRunStart,
  kRunStop,
  kCheck,
  kCollect,
  kArchiveInstruments,
  kArchiveDownloads,
  kArchiveSamples,
  kArchiveMerge,
  kArchiveVerify,
  kArchiveReport,
  kArchivePush,
};

// The four ways the Run view starts the instrument.
enum class RunMode { kLoad, kSample, kPrime, kSchedule };

struct RunStart {
  RunMode mode = RunMode::kSample;
  // As typed; run_values reads them.
  std::string cartridges = "0";
  std::string volume = "0";
  std::string timeout = "0";
  bool clean = false;
};

// The run's fields as the Run view's controls would give them, each value checked against
// its field: nothing, with *problem naming the option, for a value that is not a plain
// number or is out of range (a script gets no silent clamp).
[[nodiscard]] std::optional<RunFields> run_values(const RunStart& start, std::string* problem);

struct CheckLimits {
  double clock_offset_s = 5;  // FAIL above this offset from the computer's clock
  double supply_min_v = 11.0;
  double supply_max_v = 15.0;
  bool strict = false;  // a WARN fails too
};

struct Invocation {
  Command command = Command::kInfo;
  LinkOptions link;
  bool json = false;
  bool trace = false;
  bool stats = false;

  std::string file;            // log/diag save, after-save, schedule, config
  bool json_format = false;    // log/diag save --format json
  bool watch = false;          // status --watch
  bool yes = false;            // log/diag clear --yes
  bool force = false;          // replace an existing output file
  bool other_unit = false;     // config load: a file saved from another unit
  bool with_identity = false;  // config load --other-unit: its name and serial number too
  bool set_from_pc = false;    // clock set --pc
  std::string time;            // clock set TIME
  RunStart run;
  CheckLimits check;
  ArchiveOptions archive;  // collect and archive ...
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitInstrument = 1;     // the instrument refused or did not answer
inline constexpr int kExitUsage = 2;          // bad usage or a bad input file
inline constexpr int kExitInterrupted = 130;  // Ctrl+C, as a shell reports SIGINT

struct ParsedCommandLine {
  std::optional<Invocation> invocation;  // nothing: print `text` and exit with `exit_code`
  int exit_code = kExitOk;
  std::string text;  // help, or what is wrong and what to do
};

// `args` without the program name.
[[nodiscard]] ParsedCommandLine parse_command_line(std::span<const std::string> args);

}  // namespace tq::cli
