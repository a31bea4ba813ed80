// The schedule record built from its rows, written out byte by byte.
#include "sampling/schedule_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encoded(const ScheduleRecord& record) {
  std::array<std::uint8_t, kScheduleRecordSize> bytes{};
  EncodeScheduleRecord(record, bytes);
  return Bytes(bytes.begin(), bytes.end());
}

ScheduleEntry in_use(std::uint16_t offset, std::uint8_t samples = 1) {
  return {kScheduleRowInUse, samples, 10, 1, offset};
}

TEST(ScheduleRecordRule, RowsInUseSortedByOffsetFromTheFirstRow) {
  std::vector<ScheduleEntry> rows(15);
  rows[1] = {kScheduleRowInUse, 2, 5, 60, 60};
  rows[2] = {kScheduleRowClean, 9, 99, 99, 1};  // not in use: not sent
  rows[3] = {kScheduleRowInUse | kScheduleRowClean, 4, 23, 30, 10};
  const ScheduleRecord record = build_schedule_record(true, 0x12345678, rows);

  Bytes expected(98, 0);
  expected[1] = 1;
  expected[4] = 0x78;
  expected[5] = 0x56;
  expected[6] = 0x34;
  expected[7] = 0x12;
  const Bytes sent = {0x03, 4, 23, 30, 10, 0,  // row 3 first, cleaning ticked
                      0x01, 2, 5,  60, 60, 0};
  std::copy(sent.begin(), sent.end(), expected.begin() + 8);
  EXPECT_EQ(encoded(record), expected);
}

TEST(ScheduleRecordRule, KeepsTheEarliestRowsWhenMoreThanFifteenAreInUse) {
  std::vector<ScheduleEntry> rows;
  for (std::uint16_t i = 20; i > 0; --i) rows.push_back(in_use(i));
  rows.push_back(in_use(3, 2));  // equal offsets keep the order of their rows
  const ScheduleRecord record = build_schedule_record(false, 0, rows);
  for (std::size_t i = 0; i < kScheduleRows; ++i) {
    EXPECT_EQ(record.rows[i].offset_minutes, i < 3 ? i + 1 : i) << i;
  }
  EXPECT_EQ(record.rows[2].samples, 1);
  EXPECT_EQ(record.rows[3].samples, 2);

  EXPECT_EQ(build_schedule_record(true, 5, {}).rows[0], ScheduleEntry{});
}

}  // namespace
}  // namespace tq
