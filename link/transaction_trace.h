// An optional trace of every Transaction on a Connection: when it started, the command,
// the sequence number, how it ended, how long it took, and the bytes that went each way.
// Off unless a trace is set on the Connection (SetTransactionTrace, connection.h); while
// off it costs one flag test per Transaction. The program itself never sets one: tools
// and tests do, to show what went over the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "link/link_stats.h"

namespace tq {

struct TransactionRecord {
  std::chrono::system_clock::time_point start;  // when the Transaction was asked for
  std::chrono::nanoseconds duration{0};
  std::uint8_t command = 0;   // offset 4 of the request
  std::uint8_t sequence = 0;  // as stamped; only meaningful when `request` is not empty
  TransactionOutcome outcome = TransactionOutcome::kOk;
  std::uint8_t result_byte = 0;            // of the accepted answer (kOk, kInstrumentResult)
  bool reopened = false;                   // the port was opened again first
  std::uint32_t system_error = 0;          // the port's last system error when it failed, else 0
  std::span<const std::uint8_t> request;   // the 128 bytes as sent; empty if none went
  std::span<const std::uint8_t> received;  // every byte read, in order
};

class TransactionTrace {
 public:
  TransactionTrace() = default;
  TransactionTrace(const TransactionTrace&) = delete;
  TransactionTrace& operator=(const TransactionTrace&) = delete;
  virtual ~TransactionTrace() = default;

  // Called on the Transaction's own thread once it has ended and released the lock, so
  // records from different threads may arrive together. The spans are valid only during
  // the call.
  virtual void OnTransaction(const TransactionRecord& record) = 0;
};

// One line (no newline): UTC time, command, sequence, outcome, duration, then the bytes
// sent and received in hexadecimal.
[[nodiscard]] std::string FormatTransactionRecord(const TransactionRecord& record);

// A trace that formats each record and hands the line to `sink`, one record at a time.
[[nodiscard]] std::shared_ptr<TransactionTrace> LineTrace(
    std::function<void(std::string_view line)> sink);

// "2024-03-14T15:09:26.535897Z".
[[nodiscard]] std::string FormatUtcTime(std::chrono::system_clock::time_point time);

// "2A 83 FE", or "-" for no bytes.
[[nodiscard]] std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace tq
