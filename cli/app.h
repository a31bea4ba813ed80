// tarnquill-cli's commands, run on a parsed command line.
#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "cli/invocation.h"
#include "cli/platform.h"

namespace tq::cli {

// Where the tool reads and writes, and what they are.
struct Console {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool err_is_terminal = false;
  bool in_is_terminal = false;
};

// Parses `args` (without the program name) and runs the command; the exit status.
int run_cli(std::span<const std::string> args, Console& console, const Platform& platform);

// Runs one parsed command.
int run_invocation(const Invocation& invocation, Console& console, const Platform& platform);

}  // namespace tq::cli
