// The sample log list: its columns, the texts of a row, and the log step that reads the
// instrument's log entry by entry and keeps the newest row current.
//
// Row i of the list always shows log entry i. The log step asks for the next index; while
// the newest entry may still be written by the instrument, the step re-reads it every
// cycle and rewrites its row in place before asking for the next one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/poller.h"
#include "link/records.h"
#include "ui/dialog_tables.h"
#include "ui/list_save.h"
#include "ui/window_face.h"

namespace tq {

// Each column is at least as wide as the widest text its cells show.
inline constexpr std::array<ListColumn, 7> kSampleLogColumns = {{
    {"Start Time", 15, "invalid (4294924095)"},
    {"Cartridge ID", 10, "65535"},
    {"Duration (sec)", 10, "4294967295"},
    {"Treatment", 20, "stabilized incomplete sample"},
    {"Stop Reason", 10, "over-pressure"},
    {"Volume Pumped (litre)", 15, "99999.999"},
    {"Max Pressure (bar)", 15, "99999.999"},
}};
inline constexpr int kSampleLogColumnCount = static_cast<int>(kSampleLogColumns.size());

inline constexpr ListSaveTexts kSampleLogSaveTexts = {"Sample Log File", "Save Sample Log",
                                                      "Sample log saved to %s"};

inline constexpr const char* kClearLogCaption = "Clear Log";
inline constexpr const char* kClearLogQuestion =
    "This will clear the log on the sampler. Do you want to continue?";
inline constexpr const char* kClearLogFailed = "Failed to clear log";

// The seven cell texts of an entry, in column order.
[[nodiscard]] std::vector<std::string> sample_log_cells(const SampleLogEntry& entry);

// Where the log step is: the next entry index to ask for, and whether that entry's row is
// already shown (then it is rewritten in place rather than inserted).
struct SampleLogCursor {
  std::uint32_t next = 0;
  bool rewrite = false;

  bool operator==(const SampleLogCursor&) const = default;
};

// Where a new routine starts so that it goes on from a list that already shows `rows`
// rows: with the newest of them, re-read and rewritten in place. From the start of the
// log when the list is empty.
[[nodiscard]] SampleLogCursor cursor_after_rows(int rows);

// What one answer to GetSampleLogEntry(cursor.next) does to the cursor: the row to show,
// if any, and whether to ask for the next entry now.
struct SampleLogAnswer {
  std::optional<ListRow> row;
  bool ask_next = false;
};
[[nodiscard]] SampleLogAnswer take_sample_log_answer(SampleLogCursor& cursor, int result,
                                                     const SampleLogEntry& entry);

// The log step of one poll cycle: before each entry it waits 2 ms on the Poller's wake
// semaphore, then reads entry cursor.next and hands its row to `show`, until the
// instrument has no such entry or a read fails. False when the Poller was told to stop.
// `reached_end`, if given, tells whether the step ended at the end of the log (every entry
// the instrument holds has been read) rather than on a failed read.
using ShowLogRow = std::function<void(ListRow)>;
[[nodiscard]] bool run_sample_log_step(Poller& poller, Connection* connection,
                                       SampleLogCursor& cursor, const ShowLogRow& show,
                                       bool* reached_end = nullptr);

// What Save Log asks while the list is still being filled: how many rows it holds so far,
// and that the sampler holds more.
inline constexpr const char* kPartialSaveCaption = "Save Sample Log";
[[nodiscard]] std::string partial_save_question(int rows);

inline constexpr std::uint32_t kSampleLogEntryWaitMs = 2;

// How a row is put into a list that shows `rows` rows, so that the list never holds an
// entry twice: a row whose index the list already has is rewritten in place, any other is
// appended.
[[nodiscard]] ListRow place_sample_log_row(ListRow row, int rows);

}  // namespace tq
