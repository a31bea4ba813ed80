// What the command-line tool needs from the system it runs on: its serial ports, its
// clocks, opening a port, and waiting. One implementation per platform
// (platform_posix.cpp, platform_win32.cpp); tests give their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/records.h"
#include "link/serial_port.h"
#include "link/serial_ports.h"

namespace tq::cli {

using PortInfo = tq::PortInfo;  // name is what --port takes

class Platform {
 public:
  Platform() = default;
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
  virtual ~Platform() = default;

  [[nodiscard]] virtual std::vector<PortInfo> list_ports() const = 0;
  // Opens a serial port at the instrument's line settings; null when it cannot.
  [[nodiscard]] virtual std::unique_ptr<SerialPort> open_port(const std::string& name) const = 0;
  // The computer's local wall-clock time, as the clock dialog sends it.
  [[nodiscard]] virtual DeviceTime local_now() const = 0;
  // The computer's clock in seconds since 1970-01-01 00:00:00 UTC.
  [[nodiscard]] virtual std::int64_t utc_now() const = 0;
  // Waits; false when the user interrupted (Ctrl+C) meanwhile or before.
  [[nodiscard]] virtual bool wait_ms(std::uint32_t ms) const = 0;
  // The user asked the tool to stop (Ctrl+C or Ctrl+Break, SIGINT or SIGTERM). Commands
  // look at it between Transactions; a second Ctrl+C ends the tool at once.
  [[nodiscard]] virtual bool stop_requested() const = 0;
};

// The platform the tool runs on.
[[nodiscard]] std::unique_ptr<Platform> system_platform();

}  // namespace tq::cli
