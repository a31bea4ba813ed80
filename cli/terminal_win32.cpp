// Terminals on Windows: a console, not a file or a pipe.
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/terminal.h"

namespace tq::cli {

bool is_terminal(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != FALSE;
}

}  // namespace tq::cli
