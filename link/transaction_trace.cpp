// Formatting Transaction records.
#include "link/transaction_trace.h"

#include <array>
#include <cstdio>
#include <mutex>

namespace tq {
namespace {

class FormattingTrace final : public TransactionTrace {
 public:
  explicit FormattingTrace(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {}
  void OnTransaction(const TransactionRecord& record) override {
    const std::string line = FormatTransactionRecord(record);
    std::lock_guard lock(mutex_);  // whole lines, even from several threads
    sink_(line);
  }

 private:
  std::mutex mutex_;
  std::function<void(std::string_view)> sink_;
};

}  // namespace

std::string FormatUtcTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto micros = floor<microseconds>(time);
  const auto day = floor<days>(micros);
  const year_month_day date{day};
  const hh_mm_ss clock{micros - day};
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02d.%06dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()),
                static_cast<int>(clock.subseconds().count()));
  return text.data();
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return "-";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const std::uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

std::string FormatTransactionRecord(const TransactionRecord& r) {
  const double ms = std::chrono::duration<double, std::milli>(r.duration).count();
  const std::string outcome(OutcomeName(r.outcome));
  std::array<char, 24> sequence{'-'};
  if (!r.request.empty()) std::snprintf(sequence.data(), sequence.size(), "%u", r.sequence);
  std::array<char, 200> head{};
  std::snprintf(head.data(), head.size(), "%s cmd 0x%02X seq %s %s", FormatUtcTime(r.start).c_str(),
                r.command, sequence.data(), outcome.c_str());
  std::string line = head.data();
  if (r.outcome == TransactionOutcome::kInstrumentResult) {
    std::snprintf(head.data(), head.size(), " %u", static_cast<unsigned>(r.result_byte));
    line += head.data();
  }
  std::snprintf(head.data(), head.size(), " %.3f ms", ms);
  line += head.data();
  if (r.reopened) line += " (port opened again)";
  if (r.system_error != 0) {
    std::snprintf(head.data(), head.size(), " (system error %lu)",
                  static_cast<unsigned long>(r.system_error));
    line += head.data();
  }
  line += " sent ";
  line += HexBytes(r.request);
  line += " received ";
  line += HexBytes(r.received);
  return line;
}

std::shared_ptr<TransactionTrace> LineTrace(std::function<void(std::string_view line)> sink) {
  return std::make_shared<FormattingTrace>(std::move(sink));
}

}  // namespace tq
