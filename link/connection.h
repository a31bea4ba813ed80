// A Connection: one serial port to the instrument, the lock that keeps whole
// Transactions apart, the time limit, the 8-bit sequence counter, the BusyDialog's owner
// and template, and what the link knows about the port's health, with its counters and
// optional trace.
//
// Ownership: shared. The main window holds the current Connection; every view, dialog
// and poll routine that sends commands holds its own reference, so the record stays
// valid for as long as any thread may still use it. The port itself belongs to the
// Connection only until it is closed: CloseConnection makes every later Transaction fail
// at once, and the port closes as soon as no thread is inside a Transaction, so the same
// port can be opened again straight away.
//
// Threads: any thread may run Transactions (RunTransaction, transaction.h), read the
// counters and set the trace. The fields below the lock are changed only by the thread
// holding it; PortSlot and LinkRecord guard themselves.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/connection_lock.h"
#include "link/link_stats.h"
#include "link/serial_port.h"
#include "link/transaction_trace.h"

namespace tq {

using WindowHandle = void*;  // an HWND on Windows; opaque to the portable core

inline constexpr std::uint32_t kConnectionTimeoutMs = 3000;
// How long CloseConnection waits for a Transaction under way to let go of the port.
inline constexpr std::uint32_t kCloseWaitMs = 100;

// The port, and whether the Connection is still open, shared by the Transactions under
// way and CloseConnection.
class PortSlot {
 public:
  explicit PortSlot(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

  // A thread entering a Transaction: false once the Connection is closed.
  [[nodiscard]] bool Enter();
  // The same thread leaving it. The last one out of a closed Connection closes the port.
  void Leave();

  // For the thread inside a Transaction that holds the Connection's lock (the only one
  // that changes it): the port, null while it is lost and not opened again.
  [[nodiscard]] SerialPort* port() const { return port_.get(); }
  // Lock holder: closes a lost port, before it is opened again.
  void Discard();
  // Lock holder: puts a port opened again in place. False, with the new port closed,
  // when the Connection was closed meanwhile.
  [[nodiscard]] bool Install(std::unique_ptr<SerialPort> port);

  // Closes the Connection: later Enter calls fail, and the port closes at once if no
  // thread is inside; otherwise a read under way is cancelled where the platform can,
  // and the port closes when the last thread leaves.
  void Close();
  // Waits up to `wait` for the port to be closed; true when it is.
  bool WaitUntilShut(std::chrono::milliseconds wait);
  [[nodiscard]] bool Closed() const;
  [[nodiscard]] bool IsOpen() const;  // the port is open

 private:
  mutable std::mutex mutex_;
  std::condition_variable left_;
  std::unique_ptr<SerialPort> port_;
  bool closed_ = false;
  int inside_ = 0;
};

// What the link knows of the port, changed only by the lock holder.
struct PortHealth {
  PortReopener reopen;  // empty: the port cannot be opened again
  bool lost = false;
  std::uint32_t silent_in_a_row = 0;  // Transactions sent that received no byte at all
  std::optional<std::chrono::steady_clock::time_point> last_reopen;
};

// The counters and the trace, under their own mutex (never held during I/O).
struct LinkRecord {
  mutable std::mutex mutex;
  ConnectionStats stats;
  std::shared_ptr<TransactionTrace> trace;
  std::atomic<bool> tracing{false};  // trace != null, readable without the mutex
};

// Shared-from-this lets a worker that may outlive its caller (the BusyDialog's, after
// Cancel) keep the Connection alive on its own.
struct Connection : std::enable_shared_from_this<Connection> {
  explicit Connection(std::unique_ptr<SerialPort> opened) : line(std::move(opened)) {}

  PortSlot line;
  ConnectionLock lock;  // held for the whole of one Transaction
  // Longest wait for the lock and for each received byte; 0 = no limit, which also
  // sends every command through the BusyDialog.
  std::uint32_t timeout = kConnectionTimeoutMs;
  std::uint8_t sequence = 0;  // changed only while `lock` is held
  WindowHandle owner = nullptr;
  std::uint16_t busy_dialog = 0;
  std::string port_name;  // the port it was opened on; empty for a port handed in. Not changed.

  PortHealth health;  // changed only while `lock` is held
  LinkRecord record;
};

using ConnectionRef = std::shared_ptr<Connection>;

// Opens the named port and returns a new Connection with timeout 3000, sequence 0 and
// busy_dialog 0, which opens the same port again by itself after losing it; null when
// the port cannot be opened (the caller reports that).
[[nodiscard]] ConnectionRef CreateConnection(WindowHandle owner, const std::string& port_name);

// Builds a Connection around a port that is already open. The program itself only
// creates Connections through CreateConnection; tests and tools use this to run the
// engine over other ports and with short time limits. Without `reopen`, a lost port
// stays lost.
[[nodiscard]] ConnectionRef CreateConnectionOnPort(std::unique_ptr<SerialPort> port,
                                                   WindowHandle owner = nullptr,
                                                   std::uint32_t timeout = kConnectionTimeoutMs,
                                                   PortReopener reopen = {});

// Closes the Connection for every holder (see above) and returns null, to be stored as
// the new current Connection. Returns within about kCloseWaitMs; a read that cannot be
// cancelled may keep the port open until its time limit.
[[nodiscard]] ConnectionRef CloseConnection(ConnectionRef connection);

// A snapshot of the counters since the Connection was created.
[[nodiscard]] ConnectionStats ReadConnectionStats(const Connection& connection);

// Switches the trace on (a trace) or off (null).
void SetTransactionTrace(Connection& connection, std::shared_ptr<TransactionTrace> trace);

}  // namespace tq
