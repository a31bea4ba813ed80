// Link counters.
#include "link/link_stats.h"

#include <array>
#include <cstdio>

#include "link/transaction_trace.h"

namespace tq {

std::string_view OutcomeName(TransactionOutcome outcome) {
  switch (outcome) {
    case TransactionOutcome::kOk:
      return "ok";
    case TransactionOutcome::kInstrumentResult:
      return "instrument result";
    case TransactionOutcome::kNoLock:
      return "no lock";
    case TransactionOutcome::kTimeout:
      return "time-out";
    case TransactionOutcome::kNoValidFrame:
      return "no valid frame";
    case TransactionOutcome::kWrongSequence:
      return "wrong sequence";
    case TransactionOutcome::kPortLost:
      return "port lost";
    case TransactionOutcome::kClosed:
      return "closed";
  }
  return "unknown";
}

void ConnectionStats::Count(TransactionOutcome outcome) {
  ++transactions;
  switch (outcome) {
    case TransactionOutcome::kOk:
      ++successes;
      break;
    case TransactionOutcome::kInstrumentResult:
      ++instrument_results;
      break;
    case TransactionOutcome::kNoLock:
      ++no_lock;
      break;
    case TransactionOutcome::kTimeout:
      ++timeouts;
      break;
    case TransactionOutcome::kNoValidFrame:
      ++no_valid_frame;
      break;
    case TransactionOutcome::kWrongSequence:
      ++wrong_sequence;
      break;
    case TransactionOutcome::kPortLost:
      ++port_lost;
      break;
    case TransactionOutcome::kClosed:
      ++closed;
      break;
  }
}

std::string FormatConnectionStats(const ConnectionStats& s) {
  const auto u = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
  std::array<char, 512> text{};
  std::snprintf(text.data(), text.size(),
                "transactions %llu: %llu ok, %llu failed\n"
                "  failed: %llu no lock, %llu time-out, %llu no valid frame, %llu wrong sequence, "
                "%llu instrument result, %llu port lost, %llu closed\n"
                "  bytes sent %llu, received %llu; reopenings %llu%s\n",
                u(s.transactions), u(s.successes), u(s.Failures()), u(s.no_lock), u(s.timeouts),
                u(s.no_valid_frame), u(s.wrong_sequence), u(s.instrument_results), u(s.port_lost),
                u(s.closed), u(s.bytes_sent), u(s.bytes_received), u(s.reopenings),
                s.lost ? "; lost now" : "");
  std::string out = text.data();
  out += "  last good transaction: ";
  out += s.last_success ? FormatUtcTime(*s.last_success) : std::string("none");
  out += '\n';
  return out;
}

}  // namespace tq
