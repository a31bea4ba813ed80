// The simulated instrument on a real serial line with the program's Connection at the
// other end: a pseudo-terminal and the POSIX port natively, a pair of COM ports and the
// Win32 port under Wine. The fault suite and the soak run on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/connection.h"
#include "sim/server.h"
#include "tests/integration/tearing_line.h"

namespace tq::test {

struct FaultRig {
  std::unique_ptr<sim::SimServer> server;
  TearingLine* line = nullptr;  // owned by the server
  // The program's side, opened by name as the program opens it, so that it opens the
  // port again by itself after an unplug.
  ConnectionRef connection;
  // Whether unplugging shows on the program's port (a pseudo-terminal hangs up; a COM
  // port pair just goes quiet).
  bool unplug_is_visible = false;
  std::string port_name;  // what the program opens
};

// An instrument with a 500-entry sample log, served with no faults, and a Connection
// with the given time limit. Null members, with *error saying why, when the line cannot
// be set up.
[[nodiscard]] FaultRig OpenFaultRig(std::uint32_t timeout_ms, std::string* error);

// For the platform files: serves the instrument on `inner` (wrapped so it can be cut).
[[nodiscard]] FaultRig ServeOnLine(std::unique_ptr<sim::DeviceLine> inner, std::string* error);

}  // namespace tq::test
