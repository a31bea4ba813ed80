// An in-memory serial cable: two SerialPort ends, each receiving what the other writes.
// Used by unit tests and by the simulator when it runs in-process.
#pragma once

#include <memory>
#include <utility>

#include "link/serial_port.h"

namespace tq {

struct MemoryLinkEnds {
  std::unique_ptr<SerialPort> host;    // the program's side
  std::unique_ptr<SerialPort> device;  // the instrument's side
};

// Both ends share the cable; either may be destroyed first. Closing one end makes the
// other's reads fail at once and the other Lost() (a dropped line).
[[nodiscard]] MemoryLinkEnds CreateMemoryLink();

}  // namespace tq
