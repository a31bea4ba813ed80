// The serial line as the Transaction engine sees it. One implementation per platform
// (Win32 in serial_port_win32.cpp, termios in serial_port_posix.cpp) and an in-memory
// pair for tests (memory_link.h).
//
// Thread contract: one thread at a time uses a port (the Connection's lock serialises
// whole Transactions). A blocked read is ended from another thread only through the
// reading thread itself (ThreadIo), never through the port.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tq {

class SerialPort {
 public:
  SerialPort() = default;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;
  virtual ~SerialPort() = default;

  // Discards whatever was received and not yet read; the transmit side is left alone.
  virtual void PurgeReceive() = 0;
  // Writes all bytes in one call and flushes. The outcome is deliberately not reported:
  // a failed write shows up as a missing response.
  virtual void WriteAll(std::span<const std::uint8_t> bytes) = 0;
  // Waits at most timeout_ms (0 = no limit) for one byte. False on time-out, error,
  // cancellation or a dropped line.
  [[nodiscard]] virtual bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) = 0;
};

// Opens a serial device by its name (COM3 on Windows, a device path elsewhere) at 38400
// baud, 8 data bits, no parity, one stop bit. Null when the device cannot be opened or
// refuses those settings.
[[nodiscard]] std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name);

}  // namespace tq
