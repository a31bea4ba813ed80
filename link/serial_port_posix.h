// termios serial port, for native tests, tools and the simulator's pseudo-terminal.
#pragma once

#include <memory>

#include "link/serial_port.h"

namespace tq {

// Takes ownership of an open descriptor (a tty, a pty master or slave) and puts it in
// raw 38400 8N1 mode. Null (descriptor closed) when the settings are refused.
[[nodiscard]] std::unique_ptr<SerialPort> AdoptPosixSerialFd(int fd);

}  // namespace tq
