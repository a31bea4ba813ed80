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

void use_utf8_console() {
  // Without this a console shows each byte of "°" as a character of its OEM code page.
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace tq::cli
