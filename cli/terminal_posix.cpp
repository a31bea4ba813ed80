// Terminals on Linux.
#include <unistd.h>

#include "cli/terminal.h"

namespace tq::cli {

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace tq::cli
