// Creating and closing Connections; the port slot, the counters and the trace.
#include "link/connection.h"

#include <utility>

namespace tq {

bool PortSlot::Enter() {
  std::lock_guard guard(mutex_);
  if (closed_) return false;
  ++inside_;
  return true;
}

void PortSlot::Leave() {
  {
    std::lock_guard guard(mutex_);
    // Closed under the mutex, so that whoever waits in Close finds the port really shut.
    if (--inside_ == 0 && closed_) port_.reset();
  }
  left_.notify_all();
}

void PortSlot::Discard() {
  std::lock_guard guard(mutex_);
  port_.reset();
}

bool PortSlot::Install(std::unique_ptr<SerialPort> port) {
  std::lock_guard guard(mutex_);
  if (closed_) return false;  // `port` closes on the way out
  port_ = std::move(port);
  return true;
}

void PortSlot::Close() {
  std::lock_guard guard(mutex_);
  closed_ = true;
  if (inside_ == 0) {
    port_.reset();
  } else if (port_) {
    port_->CancelReads();
  }
}

bool PortSlot::WaitUntilShut(std::chrono::milliseconds wait) {
  std::unique_lock guard(mutex_);
  return left_.wait_for(guard, wait, [this] { return port_ == nullptr; });
}

bool PortSlot::Closed() const {
  std::lock_guard guard(mutex_);
  return closed_;
}

bool PortSlot::IsOpen() const {
  std::lock_guard guard(mutex_);
  return port_ != nullptr;
}

ConnectionRef CreateConnectionOnPort(std::unique_ptr<SerialPort> port, WindowHandle owner,
                                     std::uint32_t timeout, PortReopener reopen) {
  if (!port) return nullptr;
  auto connection = std::make_shared<Connection>(std::move(port));
  connection->timeout = timeout;
  connection->owner = owner;
  connection->health.reopen = std::move(reopen);
  return connection;
}

ConnectionRef CreateConnection(WindowHandle owner, const std::string& port_name) {
  ConnectionRef connection = CreateConnectionOnPort(OpenSerialPort(port_name), owner,
                                                    kConnectionTimeoutMs, ReopenerFor(port_name));
  if (connection) connection->port_name = port_name;
  return connection;
}

ConnectionRef CloseConnection(ConnectionRef connection) {
  if (!connection) return nullptr;
  connection->line.Close();
  connection->lock.Abort();  // threads waiting for the lock give up now
  // Usually the Transaction under way ends at once (its read cancelled, or its answer
  // already arriving), and the port is shut when this returns.
  (void)connection->line.WaitUntilShut(std::chrono::milliseconds(kCloseWaitMs));
  connection.reset();  // the caller's reference; others may still hold the record
  return nullptr;
}

ConnectionStats ReadConnectionStats(const Connection& connection) {
  std::lock_guard guard(connection.record.mutex);
  return connection.record.stats;
}

void SetTransactionTrace(Connection& connection, std::shared_ptr<TransactionTrace> trace) {
  std::lock_guard guard(connection.record.mutex);
  connection.record.tracing.store(trace != nullptr);
  connection.record.trace = std::move(trace);
}

}  // namespace tq
