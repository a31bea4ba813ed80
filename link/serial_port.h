// The serial line as the Transaction engine sees it. One implementation per platform
// (Win32 in serial_port_win32.cpp, termios in serial_port_posix.cpp) and an in-memory
// pair for tests (memory_link.h).
//
// Thread contract: one thread at a time reads, writes and purges (the Connection's lock
// serialises whole Transactions). CancelReads is the one call another thread may make
// while a read is under way; a blocked read can also be ended through the reading thread
// itself (ThreadIo).
#pragma once

#include <cstdint>
#include <functional>
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
  // Writes all bytes in one call and flushes. The outcome is deliberately not returned:
  // a failed write shows up as a missing response, or as Lost() when the device is gone.
  virtual void WriteAll(std::span<const std::uint8_t> bytes) = 0;
  // Waits at most timeout_ms (0 = no limit) for one byte. False on time-out, error,
  // cancellation or a dropped line.
  [[nodiscard]] virtual bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) = 0;

  // Called once the reads of a Transaction are over. A port that keeps a read's time
  // limit in place from one read to the next (because setting it is slow) puts its own
  // setting back here.
  virtual void EndReads() {}
  // From any thread: the read under way, and every later one, ends without a byte, where
  // the platform can end it (not under Wine, where a waiting read runs to its limit).
  // Used when the Connection is closed; the port is not reused afterwards.
  virtual void CancelReads() {}

  // True once the port has failed in a way only opening it again can mend: the device
  // was removed, or the line hung up. It stays true.
  [[nodiscard]] virtual bool Lost() const { return false; }
  // The operating system's code for the last call that failed (0 if none), for traces.
  [[nodiscard]] virtual std::uint32_t LastSystemError() const { return 0; }
};

// Opens a serial device by its name (COM3 on Windows, a device path elsewhere) at 38400
// baud, 8 data bits, no parity, one stop bit. Null when the device cannot be opened or
// refuses those settings (on Windows, refused time-outs also show "Failed to open
// port(4)").
[[nodiscard]] std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name);

// The same, showing nothing: how a Connection opens its port again on its own after
// losing it, possibly every second while the device is away.
[[nodiscard]] std::unique_ptr<SerialPort> ReopenSerialPort(const std::string& name);

// How a Connection gets its port back after losing it: null while it cannot.
using PortReopener = std::function<std::unique_ptr<SerialPort>()>;

// Reopens the named device with ReopenSerialPort.
[[nodiscard]] PortReopener ReopenerFor(std::string name);

}  // namespace tq
