// A Connection: one open serial port to the instrument, the lock that keeps whole
// Transactions apart, the time limit, the 8-bit sequence counter and the BusyDialog's
// owner and template.
//
// Ownership: shared. The main window holds the current Connection; every view, dialog
// and poll routine that sends commands holds its own reference, so the port and lock
// stay valid for as long as any thread may still be inside a Transaction, even after
// the main window has let go of it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/serial_port.h"

namespace tq {

using WindowHandle = void*;  // an HWND on Windows; opaque to the portable core

inline constexpr std::uint32_t kConnectionTimeoutMs = 3000;

// Shared-from-this lets a worker that may outlive its caller (the BusyDialog's, after
// Cancel) keep the Connection alive on its own.
struct Connection : std::enable_shared_from_this<Connection> {
  std::unique_ptr<SerialPort> port;  // never null in a live Connection
  std::timed_mutex lock;             // held for the whole of one Transaction
  // Longest wait for the lock and for each received byte; 0 = no limit, which also
  // sends every command through the BusyDialog.
  std::uint32_t timeout = kConnectionTimeoutMs;
  std::uint8_t sequence = 0;  // changed only while `lock` is held
  WindowHandle owner = nullptr;
  std::uint16_t busy_dialog = 0;
};

using ConnectionRef = std::shared_ptr<Connection>;

// Opens the named port and returns a new Connection with timeout 3000 and sequence 0,
// or null when the port cannot be opened (the caller reports that).
[[nodiscard]] ConnectionRef CreateConnection(WindowHandle owner, const std::string& port_name);

// Builds a Connection around a port that is already open. The program itself only
// creates Connections through CreateConnection; tests and tools use this to run the
// engine over other ports and with short time limits.
[[nodiscard]] ConnectionRef CreateConnectionOnPort(std::unique_ptr<SerialPort> port,
                                                   WindowHandle owner = nullptr,
                                                   std::uint32_t timeout = kConnectionTimeoutMs);

// Lets go of the caller's reference and returns null, to be stored as the new current
// Connection. The port closes once no thread uses the Connection any more.
[[nodiscard]] ConnectionRef CloseConnection(ConnectionRef connection);

}  // namespace tq
