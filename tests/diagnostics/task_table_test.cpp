// The task table's rows, count check, filter boxes and the TaskLogFilters bytes, against
// the documented texts and bytes.
#include "diagnostics/task_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

namespace tq {
namespace {

std::map<int, std::string> by_id(const std::vector<ControlText>& texts) {
  std::map<int, std::string> map;
  for (const ControlText& text : texts) map[text.id] = text.text;
  return map;
}

std::map<int, bool> by_id(const std::vector<ControlFlag>& flags) {
  std::map<int, bool> map;
  for (const ControlFlag& flag : flags) map[flag.id] = flag.on;
  return map;
}

TaskDetails task(const char* name, std::uint32_t start, std::uint32_t end, std::uint32_t top,
                 std::uint8_t state) {
  TaskDetails t;
  SetFieldText(t.name, name);
  t.stack_start = start;
  t.stack_end = end;
  t.stack_top = top;
  t.state = state;
  return t;
}

TEST(TaskRows, RowsAreAddressedByTheStrideOfTen) {
  EXPECT_EQ(task_row_controls(0),
            (std::array<int, 10>{213, 215, 216, 211, 218, 219, 217, 212, 214, 210}));
  EXPECT_EQ(task_row_controls(15),
            (std::array<int, 10>{363, 365, 366, 361, 368, 369, 367, 362, 364, 360}));
}

TEST(TaskRows, FilterBoxesAreKnownByTheirIds) {
  for (const int id : {210, 212, 214, 360, 362, 364}) EXPECT_TRUE(is_row_filter_box(id)) << id;
  for (const int id : {205, 211, 213, 219, 370, 209}) EXPECT_FALSE(is_row_filter_box(id)) << id;
  for (const int id : {205, 206, 207}) EXPECT_TRUE(is_header_filter_box(id)) << id;
  for (const int id : {208, 209, 210}) EXPECT_FALSE(is_header_filter_box(id)) << id;
}

TEST(TaskRows, AddressesInHexAndTheStackUsage) {
  const auto texts = by_id(task_row_texts(3, task("sampler", 0x1000, 0x13FF, 0x1300, 1)));
  EXPECT_EQ(texts.at(243), "3");
  EXPECT_EQ(texts.at(245), "sampler");
  EXPECT_EQ(texts.at(246), "1000");
  EXPECT_EQ(texts.at(241), "13FF");
  EXPECT_EQ(texts.at(248), "1300");
  EXPECT_EQ(texts.at(249), "256/1024");
  EXPECT_EQ(texts.at(247), "Active");
  EXPECT_EQ(texts.size(), 7u);

  const auto high = by_id(task_row_texts(1, task("x", 0x20000400, 0x200007FF, 0x20000400, 0)));
  EXPECT_EQ(high.at(226), "20000400");
  EXPECT_EQ(high.at(227), "Inactive");
  EXPECT_EQ(high.at(229), "1024/1024");
  // Addresses out of order wrap as 32-bit arithmetic does, and never crash.
  EXPECT_EQ(by_id(task_row_texts(1, task("x", 0x10, 0x0F, 0x20, 1))).at(229), "4294967280/0");
}

TEST(TaskRows, RowZeroIsNotATask) {
  const auto texts = by_id(task_row_texts(0, task("ISR", 0x1000, 0x13FF, 0x1300, 1)));
  EXPECT_EQ(texts.at(213), "0");
  EXPECT_EQ(texts.at(219), "----/1024");
  EXPECT_EQ(texts.at(217), "Not a task");
}

TEST(TaskRows, ANameFillingItsFieldIsReadToItsEndOnly) {
  std::array<std::uint8_t, kTaskDetailsSize> payload{};
  std::fill(payload.begin() + 1, payload.begin() + 34, 'n');
  payload[34] = 'X';  // the stack start's first byte, not text
  TaskDetails t;
  DecodeTaskDetails(payload, t);
  EXPECT_EQ(by_id(task_row_texts(2, t)).at(235), std::string(33, 'n'));
}

TEST(TaskCount, SixteenOrMoreTasksAreRefused) {
  EXPECT_FALSE(too_many_tasks_message(0).has_value());
  EXPECT_FALSE(too_many_tasks_message(15).has_value());
  EXPECT_EQ(too_many_tasks_message(16),
            "Your firmware has 16 tasks and this GUI can only display 15");
  EXPECT_EQ(too_many_tasks_message(255),
            "Your firmware has 255 tasks and this GUI can only display 15");
}

TEST(TaskFilters, HeaderBoxesFollowTheirWholeColumn) {
  TaskFilterGrid grid;
  grid.last_row = 2;
  grid.filters = {7, 5, 4};
  grid.filters[3] = 0;  // a grayed row does not count
  const auto headers = by_id(header_checks(grid));
  EXPECT_TRUE(headers.at(IDC_TASK_HEADER_DEBUG));
  EXPECT_FALSE(headers.at(IDC_TASK_HEADER_INFO));
  EXPECT_FALSE(headers.at(IDC_TASK_HEADER_ERROR));

  // Unchecking one row's Debug box unchecks the header.
  grid.filters[1] = 1;
  EXPECT_FALSE(by_id(header_checks(grid)).at(IDC_TASK_HEADER_DEBUG));
}

TEST(TaskFilters, AHeaderBoxSetsItsColumnOfTheShownRowsOnly) {
  TaskFilterGrid grid;
  grid.last_row = 2;
  grid.filters = {1, 0, 2, 0, 0};
  const TaskFilterGrid debug = with_header(grid, IDC_TASK_HEADER_DEBUG, true);
  EXPECT_EQ(debug.filters[0], 5);
  EXPECT_EQ(debug.filters[1], 4);
  EXPECT_EQ(debug.filters[2], 6);
  EXPECT_EQ(debug.filters[3], 0);
  const auto checks = by_id(filter_checks(debug));
  EXPECT_TRUE(checks.at(task_row_id(IDC_TASK_ROW0_DEBUG, 2)));
  EXPECT_EQ(checks.count(task_row_id(IDC_TASK_ROW0_DEBUG, 3)), 0u);  // grayed: left alone
  EXPECT_TRUE(checks.at(IDC_TASK_HEADER_DEBUG));

  const TaskFilterGrid no_error = with_header(debug, IDC_TASK_HEADER_ERROR, false);
  EXPECT_EQ(no_error.filters[0], 4);
  EXPECT_EQ(with_header(grid, IDC_TASK_SAVE, true).filters, grid.filters);
}

TEST(TaskFilters, SaveSendsTheShownRowsBitsAndZerosAfter) {
  TaskFilterGrid grid;
  grid.last_row = 2;
  grid.filters[1] = kLogFilterError | kLogFilterInformation;
  grid.filters[5] = 7;  // beyond the shown rows: never sent
  std::array<std::uint8_t, kTaskLogFiltersSize> bytes{};
  EncodeTaskLogFilters(task_log_filters(grid), bytes);
  std::array<std::uint8_t, kTaskLogFiltersSize> expected{};
  expected[2] = 3;
  EXPECT_EQ(bytes, expected);

  grid.last_row = 15;
  grid.filters.fill(7);
  EncodeTaskLogFilters(task_log_filters(grid), bytes);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[16], 7);
  EXPECT_EQ(bytes[17], 0);
}

TEST(TaskRows, OnlyTheShownRowsAreEnabled) {
  const auto enabled = by_id(shown_rows_enabled(0));
  EXPECT_EQ(enabled.size(), 10u);
  EXPECT_TRUE(enabled.at(213));
  EXPECT_EQ(by_id(shown_rows_enabled(15)).size(), 160u);
}

}  // namespace
}  // namespace tq
