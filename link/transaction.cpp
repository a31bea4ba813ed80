// Transaction engine: the exchange under the lock, the port's health around it, and the
// counters and trace after it.
#include "link/transaction.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace tq {
namespace {

using Steady = std::chrono::steady_clock;

// Sent Transactions in a row that received no byte at all before the port counts as
// lost, for platforms that report nothing when the far end goes (Wine's serial ports).
constexpr std::uint32_t kSilentTransactionsBeforeLost = 3;
constexpr auto kReopenInterval = std::chrono::seconds(1);

// What one Transaction did, for the counters and the trace.
struct Exchange {
  TransactionOutcome outcome = TransactionOutcome::kClosed;
  bool sent = false;
  bool reopened = false;
  std::uint8_t sequence = 0;
  std::size_t received = 0;
  std::uint32_t system_error = 0;
  // Whether the port counts as lost once this Transaction is over; known only to one
  // that held the lock.
  std::optional<bool> lost_after;
};

// Inside a Transaction, for the port slot: the last thread out of a closed Connection
// closes its port.
class Inside {
 public:
  explicit Inside(PortSlot& slot) : slot_(slot), entered_(slot.Enter()) {}
  ~Inside() {
    if (entered_) slot_.Leave();
  }
  Inside(const Inside&) = delete;
  Inside& operator=(const Inside&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  PortSlot& slot_;
  bool entered_;
};

class Holding {
 public:
  explicit Holding(ConnectionLock& lock) : lock_(lock) {}
  ~Holding() { lock_.Release(); }
  Holding(const Holding&) = delete;
  Holding& operator=(const Holding&) = delete;

 private:
  ConnectionLock& lock_;
};

class ReadsEnd {
 public:
  explicit ReadsEnd(SerialPort& port) : port_(port) {}
  ~ReadsEnd() { port_.EndReads(); }
  ReadsEnd(const ReadsEnd&) = delete;
  ReadsEnd& operator=(const ReadsEnd&) = delete;

 private:
  SerialPort& port_;
};

void MarkLost(Connection& c, Exchange& x, const SerialPort& port) {
  c.health.lost = true;
  x.system_error = port.LastSystemError();
  x.outcome = TransactionOutcome::kPortLost;
}

// A lost port is opened again at most once a second: often enough to come back soon
// after the device does, rarely enough not to busy a machine while it is away. The old
// port is closed first, since a serial port may open only once at a time.
bool Reopen(Connection& c, Exchange& x) {
  PortHealth& h = c.health;
  if (!h.reopen) return false;
  const auto now = Steady::now();
  if (h.last_reopen && now - *h.last_reopen < kReopenInterval) return false;
  h.last_reopen = now;
  c.line.Discard();
  std::unique_ptr<SerialPort> port = h.reopen();
  if (!port || !c.line.Install(std::move(port))) return false;
  h.lost = false;
  // On probation: one more Transaction without a byte makes it lost again.
  h.silent_in_a_row = kSilentTransactionsBeforeLost - 1;
  x.reopened = true;
  return true;
}

// A Transaction sent that received nothing. Where the platform reports no error for a
// line that has gone, this is the only sign; only a port that can be opened again is
// given up on this way, since that is all it can mend.
void NoteSilence(Connection& c) {
  if (!c.health.reopen) return;
  if (++c.health.silent_in_a_row >= kSilentTransactionsBeforeLost) c.health.lost = true;
}

// The exchange itself, with the lock held: purge, stamp, write, then read until a valid
// Frame, silence or 153 bytes. `request` receives the stamped request when tracing.
Exchange Exchanged(Connection& c, Frame& frame, std::span<std::uint8_t, kReceiveLimit> received,
                   Frame* request) {
  Exchange x;
  if (c.health.lost && !Reopen(c, x)) {
    x.outcome = TransactionOutcome::kPortLost;
    return x;
  }
  SerialPort* open = c.line.port();
  if (open == nullptr) {
    x.outcome = TransactionOutcome::kClosed;
    return x;
  }
  SerialPort& port = *open;

  port.PurgeReceive();
  x.sequence = c.sequence;
  c.sequence = static_cast<std::uint8_t>(x.sequence + 1);
  StampRequest(frame, x.sequence);
  if (request != nullptr) *request = frame;
  port.WriteAll(frame);
  x.sent = true;
  // The write's outcome is not looked at, except that a device already gone cannot
  // answer: no point waiting for it.
  if (port.Lost()) {
    MarkLost(c, x, port);
    return x;
  }

  const ReadsEnd reads_end(port);
  for (std::size_t reads = 0; reads < kReceiveLimit; ++reads) {
    if (!port.ReadByte(received[x.received], c.timeout)) {
      if (port.Lost()) {
        MarkLost(c, x, port);
      } else {
        // Enough bytes for a Frame, none of them valid (a corrupted answer, or noise),
        // is a different fault from a line that went quiet before an answer was in.
        x.outcome = x.received >= kFrameSize ? TransactionOutcome::kNoValidFrame
                                             : TransactionOutcome::kTimeout;
        x.system_error = port.LastSystemError();
        if (x.received == 0) NoteSilence(c);
      }
      return x;
    }
    ++x.received;
    c.health.silent_in_a_row = 0;
    if (x.received < kFrameSize) continue;
    const auto at = ScanForFrame(received.first(x.received));
    if (!at) continue;
    // The sequence number is the only thing that ties a response to its request: an
    // answer to an earlier request ends this one at once.
    if (received[*at + kOffSequence] != x.sequence) {
      x.outcome = TransactionOutcome::kWrongSequence;
      return x;
    }
    std::copy_n(received.begin() + static_cast<std::ptrdiff_t>(*at), kFrameSize, frame.begin());
    x.outcome =
        frame[kOffResult] == 0 ? TransactionOutcome::kOk : TransactionOutcome::kInstrumentResult;
    return x;
  }
  x.outcome = TransactionOutcome::kNoValidFrame;
  return x;
}

Exchange Run(Connection& c, Frame& frame, std::span<std::uint8_t, kReceiveLimit> received,
             Frame* request) {
  if (!c.lock.Acquire(c.timeout)) {
    Exchange x;  // nothing sent, sequence counter unchanged
    x.outcome = c.line.Closed() ? TransactionOutcome::kClosed : TransactionOutcome::kNoLock;
    return x;
  }
  const Holding holding(c.lock);
  Exchange x = Exchanged(c, frame, received, request);
  x.lost_after = c.health.lost;
  return x;
}

void Record(Connection& c, const Exchange& x) {
  std::lock_guard guard(c.record.mutex);
  ConnectionStats& s = c.record.stats;
  s.Count(x.outcome);
  if (x.sent) s.bytes_sent += kFrameSize;
  s.bytes_received += x.received;
  if (x.reopened) ++s.reopenings;
  if (x.lost_after) s.lost = *x.lost_after;
  if (x.outcome == TransactionOutcome::kOk) s.last_success = std::chrono::system_clock::now();
}

void Trace(Connection& c, const Exchange& x, const Frame& frame, const Frame& request,
           std::span<const std::uint8_t> received, std::chrono::system_clock::time_point start,
           Steady::time_point started) {
  std::shared_ptr<TransactionTrace> trace;
  {
    std::lock_guard guard(c.record.mutex);
    trace = c.record.trace;
  }
  if (!trace) return;
  TransactionRecord r;
  r.start = start;
  r.duration = Steady::now() - started;
  r.command = request[kOffCommand];
  r.sequence = x.sequence;
  r.outcome = x.outcome;
  r.result_byte =
      x.outcome == TransactionOutcome::kOk || x.outcome == TransactionOutcome::kInstrumentResult
          ? frame[kOffResult]
          : 0;
  r.reopened = x.reopened;
  r.system_error = x.system_error;
  if (x.sent) r.request = request;
  r.received = received.first(x.received);
  trace->OnTransaction(r);
}

}  // namespace

int RunTransaction(Connection* connection, Frame& frame) {
  if (connection == nullptr) return kResultLinkFailure;
  Connection& c = *connection;
  const bool tracing = c.record.tracing.load(std::memory_order_relaxed);
  const auto start =
      tracing ? std::chrono::system_clock::now() : std::chrono::system_clock::time_point{};
  const auto started = tracing ? Steady::now() : Steady::time_point{};
  Frame request{};
  if (tracing) request = frame;

  std::array<std::uint8_t, kReceiveLimit> received{};
  Exchange x;  // kClosed unless it gets inside
  {
    const Inside inside(c.line);
    if (inside) x = Run(c, frame, received, tracing ? &request : nullptr);
  }
  Record(c, x);
  if (tracing) Trace(c, x, frame, request, received, start, started);
  return x.outcome == TransactionOutcome::kOk || x.outcome == TransactionOutcome::kInstrumentResult
             ? kResultOk
             : kResultLinkFailure;
}

int RunCommand(Connection* connection, Frame& frame) {
  if (connection == nullptr) return kResultLinkFailure;
  const int engine = connection->timeout != 0 ? RunTransaction(connection, frame)
                                              : RunTransactionBehindBusyDialog(*connection, frame);
  if (engine != kResultOk) return kResultLinkFailure;
  return frame[kOffResult];
}

}  // namespace tq
