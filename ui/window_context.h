// What every window receives from the main window when it is created or opened: the
// current Connection and the services the main window owns. Nothing else passes between
// windows.
//
// Ownership: the Connection is shared (each window keeps its own reference, and so does
// each of its poll routines); the settings store and the port lister belong to the main
// window and outlive every window it opens. User-interface thread only, except that a
// poll routine may keep its copy of the Connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/serial_ports.h"
#include "ui/settings.h"

namespace tq {

// What the program remembers until it ends, besides the settings store: the file names
// last chosen for each saved log, offered again at the next save, and the run state the
// Diagnostics view showed last, which it reports again when it next opens.
struct SessionMemory {
  std::string sample_log_path;
  std::string diagnostics_path;
  std::uint8_t diagnostics_run_state = 0;
};

struct WindowContext {
  ConnectionRef connection;           // null while not connected
  SettingsStore* settings = nullptr;  // never null in a window
  const PortLister* ports = nullptr;  // never null in a window
  SessionMemory* session = nullptr;   // never null in a window
};

}  // namespace tq
