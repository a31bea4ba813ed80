// The sample log's row texts, the log step's index and rewrite rules against a scripted
// instrument, and where rows go in the list.
#include "sampling/sample_log.h"

#include <gtest/gtest.h>

#include "tests/sampling/log_instrument.h"

namespace tq {
namespace {

using Change = ListRow::Change;
using test::log_entry;

TEST(SampleLogRow, CellsInColumnOrder) {
  SampleLogEntry entry;
  entry.start_time = 1796637600;  // 07/12/2026 10:00:00
  entry.cartridge_id = 12;
  entry.duration = 600;
  entry.treatment = 3;
  entry.stop_reason = 6;
  entry.volume = 0.1F;
  entry.max_pressure = 2.0F;
  EXPECT_EQ(sample_log_cells(entry),
            (std::vector<std::string>{"07/12/2026 10:00:00", "12", "600", "stabilized full sample",
                                      "complete", "0.100", "2.000"}));
  entry.start_time = 4294924095U;
  EXPECT_EQ(sample_log_cells(entry)[0], "invalid (4294924095)");
}

TEST(SampleLogRow, EveryTreatmentAndStopReason) {
  const char* treatments[] = {"unused",
                              "incomplete sample",
                              "unstabilized full sample",
                              "stabilized full sample",
                              "bleached",
                              "primed",
                              "stabilized incomplete sample"};
  SampleLogEntry entry;
  for (std::uint8_t code = 0; code < 7; ++code) {
    entry.treatment = code;
    EXPECT_EQ(sample_log_cells(entry)[3], treatments[code]);
  }
  for (const int code : {7, 9, 255}) {
    entry.treatment = static_cast<std::uint8_t>(code);
    EXPECT_EQ(sample_log_cells(entry)[3], "unknown") << code;
  }
  const std::pair<int, const char*> reasons[] = {
      {0, "none"},    {1, "cancelled"}, {2, "hall sensor"},  {3, "none"}, {4, "over-pressure"},
      {5, "timeout"}, {6, "complete"},  {7, "didn't start"}, {8, "none"}, {255, "none"}};
  for (const auto& [code, text] : reasons) {
    entry.stop_reason = static_cast<std::uint8_t>(code);
    EXPECT_EQ(sample_log_cells(entry)[4], text) << code;
  }
}

TEST(SampleLogCursor, AnswersMoveTheCursor) {
  SampleLogCursor cursor;
  const SampleLogEntry entry = log_entry(1, 1.0F);
  // An empty log: entry 0 is asked for again every cycle.
  EXPECT_FALSE(take_sample_log_answer(cursor, 9, entry).row);
  EXPECT_EQ(cursor, (SampleLogCursor{0, false}));

  SampleLogAnswer answer = take_sample_log_answer(cursor, 0, entry);
  ASSERT_TRUE(answer.row);
  EXPECT_EQ(answer.row->change, Change::kInsert);
  EXPECT_EQ(answer.row->index, 0);
  EXPECT_TRUE(answer.ask_next);
  EXPECT_EQ(cursor, (SampleLogCursor{1, false}));

  answer = take_sample_log_answer(cursor, 9, entry);
  EXPECT_FALSE(answer.row);
  EXPECT_FALSE(answer.ask_next);
  EXPECT_EQ(cursor, (SampleLogCursor{0, true}));  // the newest row is rewritten next

  answer = take_sample_log_answer(cursor, 0, entry);
  EXPECT_EQ(answer.row->change, Change::kRewrite);
  EXPECT_EQ(answer.row->index, 0);
  EXPECT_EQ(cursor, (SampleLogCursor{1, false}));

  // A failed read (a link failure, any result but 9) leaves the cursor where it is.
  for (const int result : {14, 3}) {
    answer = take_sample_log_answer(cursor, result, entry);
    EXPECT_FALSE(answer.row);
    EXPECT_FALSE(answer.ask_next);
    EXPECT_EQ(cursor, (SampleLogCursor{1, false}));
  }
}

TEST(SampleLogCursor, ARestartGoesOnFromTheRowsShown) {
  EXPECT_EQ(cursor_after_rows(0), (SampleLogCursor{0, false}));
  EXPECT_EQ(cursor_after_rows(3), (SampleLogCursor{2, true}));
}

TEST(SampleLogCursor, RowsNeverRepeatAnIndexTheListHas) {
  const ListRow inserted{Change::kInsert, 0, {"a"}, 0};
  EXPECT_EQ(place_sample_log_row(inserted, 3).change, Change::kRewrite);
  EXPECT_EQ(place_sample_log_row(inserted, 3).index, 0);
  const ListRow next{Change::kInsert, 3, {"d"}, 0};
  EXPECT_EQ(place_sample_log_row(next, 3), next);
  const ListRow rewrite{Change::kRewrite, 2, {"c"}, 0};
  EXPECT_EQ(place_sample_log_row(rewrite, 3), rewrite);
  // A row the list does not have yet is appended, never placed past its end.
  EXPECT_EQ(place_sample_log_row(rewrite, 0), (ListRow{Change::kInsert, 0, {"c"}, 0}));
}

// Runs one log step on the test's thread, collecting the rows it shows.
struct Step {
  explicit Step(test::LogInstrument& instrument) : instrument_(instrument) {}
  std::vector<ListRow> run(SampleLogCursor& cursor) {
    std::vector<ListRow> rows;
    EXPECT_TRUE(run_sample_log_step(poller_, instrument_.connection.get(), cursor,
                                    [&](ListRow row) { rows.push_back(std::move(row)); }));
    return rows;
  }
  test::LogInstrument& instrument_;
  Poller poller_;
};

std::vector<std::pair<Change, int>> changes(const std::vector<ListRow>& rows) {
  std::vector<std::pair<Change, int>> out;
  for (const ListRow& row : rows) out.emplace_back(row.change, row.index);
  return out;
}

TEST(SampleLogStep, ListsTheLogThenKeepsTheNewestRowCurrent) {
  test::LogInstrument instrument;
  instrument.set_log({log_entry(1, 2.5F), log_entry(2, 2.5F), log_entry(3, 0.4F)});
  Step step(instrument);
  SampleLogCursor cursor;

  // First cycle: all three entries, then the answer 9 for entry 3.
  std::vector<ListRow> rows = step.run(cursor);
  EXPECT_EQ(changes(rows), (std::vector<std::pair<Change, int>>{
                               {Change::kInsert, 0}, {Change::kInsert, 1}, {Change::kInsert, 2}}));
  EXPECT_EQ(rows[2].cells[1], "3");
  EXPECT_EQ(instrument.indices_asked(), (std::vector<int>{0, 1, 2, 3}));

  // Every later cycle: entry 2 again, rewritten in place, and entry 3 asked for.
  rows = step.run(cursor);
  EXPECT_EQ(changes(rows), (std::vector<std::pair<Change, int>>{{Change::kRewrite, 2}}));
  EXPECT_EQ(instrument.indices_asked(), (std::vector<int>{0, 1, 2, 3, 2, 3}));

  // A fourth entry appears: appended as row 3.
  instrument.set_log(
      {log_entry(1, 2.5F), log_entry(2, 2.5F), log_entry(3, 0.4F), log_entry(4, 0.1F)});
  rows = step.run(cursor);
  EXPECT_EQ(changes(rows),
            (std::vector<std::pair<Change, int>>{{Change::kRewrite, 2}, {Change::kInsert, 3}}));

  // The instrument goes on writing its newest entry: the change shows in the next cycle.
  instrument.change_entry(3, log_entry(4, 1.75F));
  rows = step.run(cursor);
  ASSERT_EQ(changes(rows), (std::vector<std::pair<Change, int>>{{Change::kRewrite, 3}}));
  EXPECT_EQ(rows[0].cells[5], "1.750");
  EXPECT_EQ(cursor, (SampleLogCursor{3, true}));
}

TEST(SampleLogStep, ALinkFailureMidLogIsAskedAgainNextCycle) {
  test::LogInstrument instrument;
  instrument.set_log({log_entry(1, 1), log_entry(2, 1), log_entry(3, 1), log_entry(4, 1)});
  instrument.silence_index_once(2);
  Step step(instrument);
  SampleLogCursor cursor;
  EXPECT_EQ(changes(step.run(cursor)),
            (std::vector<std::pair<Change, int>>{{Change::kInsert, 0}, {Change::kInsert, 1}}));
  EXPECT_EQ(cursor, (SampleLogCursor{2, false}));
  EXPECT_EQ(changes(step.run(cursor)),
            (std::vector<std::pair<Change, int>>{{Change::kInsert, 2}, {Change::kInsert, 3}}));
  EXPECT_EQ(instrument.indices_asked(), (std::vector<int>{0, 1, 2, 2, 3, 4}));
}

TEST(SampleLogStep, AnEmptyLogIsAskedForEntryZeroEachCycle) {
  test::LogInstrument instrument;
  Step step(instrument);
  SampleLogCursor cursor;
  EXPECT_TRUE(step.run(cursor).empty());
  EXPECT_TRUE(step.run(cursor).empty());
  EXPECT_EQ(instrument.indices_asked(), (std::vector<int>{0, 0}));
}

TEST(SampleLogStep, NeverAsksPastTheLastIndex) {
  test::LogInstrument instrument;
  Step step(instrument);
  SampleLogCursor cursor{0x10000, false};
  EXPECT_TRUE(step.run(cursor).empty());
  EXPECT_TRUE(instrument.indices_asked().empty());
  EXPECT_EQ(cursor, (SampleLogCursor{0xFFFF, true}));
}

TEST(SampleLogStep, StopEndsTheStepWithoutAnotherCommand) {
  test::LogInstrument instrument;
  instrument.set_log({log_entry(1, 1)});
  Poller poller;
  poller.stop = 1;
  SampleLogCursor cursor;
  EXPECT_FALSE(run_sample_log_step(poller, instrument.connection.get(), cursor, [](ListRow) {}));
  EXPECT_EQ(instrument.request_count(), 0u);
}

}  // namespace
}  // namespace tq
