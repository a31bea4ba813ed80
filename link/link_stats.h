// What a Connection counts about its Transactions: how each one ended, the bytes that
// went each way, how often the port had to be opened again, and when the instrument
// last answered well. Read with ReadConnectionStats (connection.h), from any thread,
// without a Transaction.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

// How one Transaction ended.
enum class TransactionOutcome : std::uint8_t {
  kOk,                // the answer to this request, result byte 0
  kInstrumentResult,  // the answer to this request, with a non-zero result byte
  kNoLock,            // the lock was not obtained in time; nothing sent
  kTimeout,           // the line went quiet before a Frame's worth of bytes was in
  kNoValidFrame,      // 128 bytes or more read (153 at most), no valid Frame among them
  kWrongSequence,     // a valid Frame that answers another request
  kPortLost,          // the port is gone (device removed, line hung up) and not back yet
  kClosed,            // the Connection had been closed; nothing sent
};

// "ok", "instrument result", "no lock", "time-out", ...
[[nodiscard]] std::string_view OutcomeName(TransactionOutcome outcome);

struct ConnectionStats {
  // Ended Transactions, each counted once under its outcome, so that
  // transactions == successes + Failures() in every snapshot.
  std::uint64_t transactions = 0;
  std::uint64_t successes = 0;
  std::uint64_t no_lock = 0;
  std::uint64_t timeouts = 0;
  std::uint64_t no_valid_frame = 0;
  std::uint64_t wrong_sequence = 0;
  std::uint64_t instrument_results = 0;
  std::uint64_t port_lost = 0;
  std::uint64_t closed = 0;

  std::uint64_t bytes_sent = 0;
  std::uint64_t bytes_received = 0;  // every byte read, noise included
  std::uint64_t reopenings = 0;      // the port opened again after being lost
  bool lost = false;                 // lost now, not yet opened again
  std::optional<std::chrono::system_clock::time_point> last_success;

  [[nodiscard]] std::uint64_t Failures() const {
    return no_lock + timeouts + no_valid_frame + wrong_sequence + instrument_results + port_lost +
           closed;
  }
  void Count(TransactionOutcome outcome);
};

// The counters as a few lines of text, for tools and logs.
[[nodiscard]] std::string FormatConnectionStats(const ConnectionStats& stats);

}  // namespace tq
