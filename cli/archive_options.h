// The options of `collect` and the `archive` commands, and their place on the command line.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tq::cli {

enum class Command;
struct Invocation;

enum class SampleFormat { kCsv, kJson, kFaire };

struct ArchiveOptions {
  std::string path;  // --archive; empty: the default place (default_archive_path)
  bool no_diagnostics = false;
  bool clear = false;
  bool pause = false;  // collect --pause: wait for Enter before the console closes
  std::optional<std::int64_t> instrument;  // --instrument SERIAL
  std::string since;                       // --since DATE, as typed
  SampleFormat format = SampleFormat::kCsv;
  std::string output;      // --output FILE; empty: standard output
  std::string other;       // merge OTHER
  std::string to;          // push --to CONNINFO (may hold a password: never printed)
  bool init_only = false;  // push --init-only
};

// Adds `collect` and `archive ...` to `app`, each leaf first in `leaves`.
void add_archive_commands(CLI::App& app, Invocation& in,
                          std::vector<std::pair<CLI::App*, Command>>& leaves);

// Commands that find their port themselves when none is given (last_connected_port).
[[nodiscard]] bool names_its_own_port(Command command);

// The commands that read and write only the archive, never an instrument.
[[nodiscard]] bool works_on_archive_only(Command command);

// Where the archive is kept when --archive is not given, its folder made if need be
// (%LOCALAPPDATA%\Tarnquill on Windows, $XDG_DATA_HOME/tarnquill or
// ~/.local/share/tarnquill elsewhere). Empty, with *error, when there is no such place.
[[nodiscard]] std::string default_archive_path(std::string* error);

// The port the program last connected to (its `port_name` setting) on Windows; empty
// elsewhere or when it never connected.
[[nodiscard]] std::string last_connected_port();

// This computer's name, for the downloads it makes.
[[nodiscard]] std::string host_name();

}  // namespace tq::cli
