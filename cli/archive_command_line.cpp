// `collect` and `archive ...` on the command line.
#include <cctype>

#include "cli/invocation.h"

namespace tq::cli {
namespace {

using Leaves = std::vector<std::pair<CLI::App*, Command>>;

CLI::App* leaf(CLI::App& parent, const char* name, const char* description, Leaves& leaves,
               Command which) {
  CLI::App* sub = parent.add_subcommand(name, description);
  leaves.insert(leaves.begin(), {sub, which});
  return sub;
}

void add_instrument_option(CLI::App& command, Invocation& in) {
  command.add_option("--instrument", in.archive.instrument, "only the instrument with this serial")
      ->type_name("SERIAL")
      ->check(CLI::Range(0, 65535));
}

}  // namespace

bool names_its_own_port(Command command) {
  // On Windows collect takes the port the program last used: a Start-menu shortcut
  // collects from the instrument the technician just worked with.
  return command == Command::kCollect;
}

bool works_on_archive_only(Command command) {
  switch (command) {
    case Command::kArchiveInstruments:
    case Command::kArchiveDownloads:
    case Command::kArchiveSamples:
    case Command::kArchiveMerge:
    case Command::kArchiveVerify:
    case Command::kArchiveReport:
    case Command::kArchivePush:
      return true;
    default:
      return false;
  }
}

void add_archive_commands(CLI::App& app, Invocation& in, Leaves& leaves) {
  app.add_option("--archive", in.archive.path,
                 "the archive file (default: the archive of this user, see docs/cli.md)")
      ->type_name("PATH");

  CLI::App* collect = leaf(app, "collect",
                           "read what the archive does not hold yet of the instrument's logs "
                           "into the archive",
                           leaves, Command::kCollect);
  collect->add_flag("--no-diag", in.archive.no_diagnostics, "leave the diagnostic log out");
  collect->add_flag("--clear", in.archive.clear,
                    "clear each log on the instrument once the archive holds all of it");
  collect->add_flag("--pause", in.archive.pause,
                    "wait for Enter at the end (for a shortcut whose console would close)");

  CLI::App* archive = app.add_subcommand("archive", "the archive of collected logs");
  archive->require_subcommand(1);
  leaf(*archive, "instruments", "the instruments the archive holds", leaves,
       Command::kArchiveInstruments);
  add_instrument_option(
      *leaf(*archive, "downloads", "every collection", leaves, Command::kArchiveDownloads), in);
  CLI::App* samples = leaf(*archive, "samples", "every sample once, in its newest state", leaves,
                           Command::kArchiveSamples);
  add_instrument_option(*samples, in);
  samples
      ->add_option("--since", in.archive.since, "only samples that started on or after DATE (UTC)")
      ->type_name("DATE");
  samples
      ->add_option("--format", in.archive.format,
                   "csv (the default), json, or faire (the FAIRe eDNA sample sheet)")
      ->type_name("FORMAT")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, SampleFormat>{{"csv", SampleFormat::kCsv},
                                              {"json", SampleFormat::kJson},
                                              {"faire", SampleFormat::kFaire}},
          CLI::ignore_case));
  samples->add_option("--output", in.archive.output, "file to write (default: standard output)")
      ->type_name("FILE");
  CLI::App* report = leaf(*archive, "report", "a page of charts and tables, one HTML file", leaves,
                          Command::kArchiveReport);
  add_instrument_option(*report, in);
  report->add_option("--output", in.archive.output, "the HTML file to write")
      ->type_name("FILE")
      ->required();
  leaf(*archive, "merge", "take in another archive (a second laptop's)", leaves,
       Command::kArchiveMerge)
      ->add_option("OTHER", in.archive.other, "the other archive file")
      ->required();
  leaf(*archive, "verify", "check the archive; exit 1 on any finding", leaves,
       Command::kArchiveVerify);
  CLI::App* push = leaf(*archive, "push",
                        "send what a fleet database (PostgreSQL) does not hold yet of the archive",
                        leaves, Command::kArchivePush);
  push->add_option("--to", in.archive.to,
                   "the database: a libpq connection string or URI; passwords go in the "
                   "password file, not here")
      ->type_name("CONNINFO")
      ->required();
  push->add_flag("--init-only", in.archive.init_only,
                 "only create or upgrade the database's tables and views");
}

}  // namespace tq::cli
