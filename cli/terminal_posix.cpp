// Terminals on Linux.
#include <unistd.h>

#include "cli/terminal.h"

namespace tq::cli {

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

// A Linux terminal shows UTF-8 already.
void use_utf8_console() {}

}  // namespace tq::cli
