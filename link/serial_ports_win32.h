// The serial ports the system knows: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
#pragma once

#include <string>
#include <vector>

#include "link/serial_ports.h"

namespace tq {

inline constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Port names in the key's enumeration order; empty when the key cannot be opened.
[[nodiscard]] std::vector<std::string> read_serial_ports();

// The program's port lister.
class RegistryPortLister final : public PortLister {
 public:
  [[nodiscard]] std::vector<std::string> list_ports() const override { return read_serial_ports(); }
};

}  // namespace tq
