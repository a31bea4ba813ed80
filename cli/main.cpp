// tarnquill-cli: the instrument from a terminal and from scripts.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/terminal.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tq::cli::use_utf8_console();
  tq::cli::Console console{std::cout, std::cerr, std::cin, tq::cli::is_terminal(stderr),
                           tq::cli::is_terminal(stdin)};
  const auto platform = tq::cli::system_platform();
  const int status = tq::cli::run_cli(args, console, *platform);
  std::cout.flush();
  return status;
}
