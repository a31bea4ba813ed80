// Transaction engine.
#include "link/transaction.h"

#include <algorithm>
#include <chrono>

namespace tq {

int RunTransaction(Connection* connection, Frame& frame) {
  if (connection == nullptr || !connection->port) return kResultLinkFailure;
  Connection& c = *connection;
  SerialPort& port = *c.port;

  std::unique_lock guard(c.lock, std::defer_lock);
  if (c.timeout == 0) {
    guard.lock();
  } else if (!guard.try_lock_for(std::chrono::milliseconds(c.timeout))) {
    return kResultLinkFailure;  // nothing sent, sequence counter unchanged
  }

  port.PurgeReceive();
  const std::uint8_t sequence = c.sequence;
  c.sequence = static_cast<std::uint8_t>(sequence + 1);
  StampRequest(frame, sequence);
  port.WriteAll(frame);

  std::array<std::uint8_t, kReceiveLimit> received{};
  std::size_t count = 0;
  for (std::size_t reads = 0; reads < kReceiveLimit; ++reads) {
    if (!port.ReadByte(received[count], c.timeout)) return kResultLinkFailure;
    ++count;
    if (count < kFrameSize) continue;
    const auto at = ScanForFrame(std::span<const std::uint8_t>(received.data(), count));
    if (!at) continue;
    // The sequence number is the only thing that ties a response to its request: an
    // answer to an earlier request ends this one at once.
    if (received[*at + kOffSequence] != sequence) return kResultLinkFailure;
    std::copy_n(received.begin() + static_cast<std::ptrdiff_t>(*at), kFrameSize, frame.begin());
    return kResultOk;
  }
  return kResultLinkFailure;
}

int RunCommand(Connection* connection, Frame& frame) {
  if (connection == nullptr) return kResultLinkFailure;
  const int engine = connection->timeout != 0 ? RunTransaction(connection, frame)
                                              : RunTransactionBehindBusyDialog(*connection, frame);
  if (engine != kResultOk) return kResultLinkFailure;
  return frame[kOffResult];
}

}  // namespace tq
