// Sample log rows and the log step.
#include "sampling/sample_log.h"

#include "link/commands.h"
#include "ui/epoch.h"
#include "ui/text_format.h"

namespace tq {
namespace {

// GetSampleLogEntry carries a 16-bit index: no entry lies beyond it.
constexpr std::uint32_t kLastIndex = 0xFFFF;

std::string number(const char* format, double value) {
  return format_text(format, value).value_or("");
}

}  // namespace

std::vector<std::string> sample_log_cells(const SampleLogEntry& entry) {
  return {
      format_epoch(entry.start_time),
      std::to_string(entry.cartridge_id),
      std::to_string(entry.duration),
      std::string(TreatmentName(entry.treatment)),
      std::string(StopReasonName(entry.stop_reason)),
      number("%.3f", static_cast<double>(entry.volume)),
      number("%.3f", static_cast<double>(entry.max_pressure)),
  };
}

SampleLogCursor cursor_after_rows(int rows) {
  if (rows <= 0) return {};
  return {static_cast<std::uint32_t>(rows - 1), true};
}

SampleLogAnswer take_sample_log_answer(SampleLogCursor& cursor, int result,
                                       const SampleLogEntry& entry) {
  if (result == kResultNoSuchEntry) {
    // The end of the log: the newest entry is read again in the next cycle, as the
    // instrument may still be writing it.
    if (cursor.next > 0) cursor = {cursor.next - 1, true};
    return {};
  }
  if (result != kResultOk) return {};  // asked again in the next cycle
  SampleLogAnswer answer;
  answer.row = ListRow{cursor.rewrite ? ListRow::Change::kRewrite : ListRow::Change::kInsert,
                       static_cast<int>(cursor.next), sample_log_cells(entry), 0};
  cursor = {cursor.next + 1, false};
  answer.ask_next = true;
  return answer;
}

bool run_sample_log_step(Poller& poller, Connection* connection, SampleLogCursor& cursor,
                         const ShowLogRow& show, bool* reached_end) {
  const auto ended = [reached_end](bool at_end) {
    if (reached_end != nullptr) *reached_end = at_end;
    return true;
  };
  for (;;) {
    if (!PollerWait(poller, kSampleLogEntryWaitMs)) return false;
    if (cursor.next > kLastIndex) {
      cursor = {kLastIndex, true};
      return ended(true);
    }
    SampleLogEntry entry;
    const int result =
        GetSampleLogEntry(connection, static_cast<std::uint16_t>(cursor.next), &entry);
    SampleLogAnswer answer = take_sample_log_answer(cursor, result, entry);
    if (answer.row) show(std::move(*answer.row));
    if (!answer.ask_next) return ended(result == kResultNoSuchEntry);
  }
}

std::string partial_save_question(int rows) {
  return format_text(
             "The sample log is still being read from the sampler: %d rows are listed so far, "
             "and the sampler holds more.\n\nSave only the rows listed so far?",
             rows)
      .value_or("");
}

ListRow place_sample_log_row(ListRow row, int rows) {
  if (row.index < rows) {
    row.change = ListRow::Change::kRewrite;
  } else {
    row.change = ListRow::Change::kInsert;
    row.index = rows < 0 ? 0 : rows;
  }
  return row;
}

}  // namespace tq
