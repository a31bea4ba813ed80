// tarnquill-cli: the instrument from a terminal and from scripts.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/invocation.h"
#include "cli/terminal.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tq::cli::use_utf8_console();
  tq::cli::Console console{std::cout, std::cerr, std::cin, tq::cli::is_terminal(stderr),
                           tq::cli::is_terminal(stdin)};
  const auto platform = tq::cli::system_platform();
  int status = tq::cli::kExitUsage;
  // The commands catch what they throw; this is for the command line itself.
  try {
    status = tq::cli::run_cli(args, console, *platform);
  } catch (...) {
    std::cerr << "tarnquill-cli: the command line could not be read; check it against "
                 "'tarnquill-cli --help'\n";
  }
  std::cout.flush();
  return status;
}
