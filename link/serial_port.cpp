// What every platform's serial port shares.
#include "link/serial_port.h"

#include <utility>

namespace tq {

PortReopener ReopenerFor(std::string name) {
  return [name = std::move(name)] { return ReopenSerialPort(name); };
}

}  // namespace tq
