// The tarnquill-sim command line, parsed without touching the system so it can be tested.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/instrument.h"
#include "sim/server.h"

namespace tq::sim {

struct CommandLine {
  InstrumentOptions instrument;
  bool clock_given = false;  // without --clock the host's local time is used
  std::vector<std::string> scenarios;
  ServerOptions server;
  std::string link_path;  // --link: a symbolic link to the terminal, kept up to date
  bool help = false;
};

// Nothing, with *error saying what is wrong, for a bad command line.
[[nodiscard]] std::optional<CommandLine> ParseCommandLine(std::span<const std::string_view> args,
                                                          std::string* error);

[[nodiscard]] std::string UsageText();

}  // namespace tq::sim
