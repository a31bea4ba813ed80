// Volume and voltage conversions and the schedule record built for writing.
#include "link/encodings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VolumeToTenths, TruncatesAfterAddingAHundredth) {
  struct Case {
    double litres;
    std::uint8_t tenths;
  };
  const Case cases[] = {{2.3, 23},
                        {0.1, 1},
                        {0.0, 0},
                        {0.04, 0},
                        {0.09, 0},
                        {1.99, 19},
                        {25.5, 255},
                        {25.4, 254},
                        {12.7, 127},
                        {0.7, 7},
                        {2.29, 22},
                        {2.297, 22},  // the hundredth added is not enough to reach 23
                        // Within a hundredth below a tenth, e.g. a volume kept as a float.
                        {2.2995, 23},
                        {static_cast<double>(2.3f), 23}};
  for (const Case& c : cases) EXPECT_EQ(VolumeToTenths(c.litres), c.tenths) << c.litres;
}

TEST(VolumeToTenths, OutOfRangeInputIsClampedNotUndefined) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(VolumeToTenths(25.6), 255);
  EXPECT_EQ(VolumeToTenths(1e300), 255);
  EXPECT_EQ(VolumeToTenths(kInf), 255);
  EXPECT_EQ(VolumeToTenths(-0.5), 0);
  EXPECT_EQ(VolumeToTenths(-1e300), 0);
  EXPECT_EQ(VolumeToTenths(-kInf), 0);
  EXPECT_EQ(VolumeToTenths(std::nan("")), 0);
}

TEST(VolumeToTenths, EveryShownVolumeEncodesBackToItsByte) {
  // What the program shows (tenths / 10) must be sent as the same byte when entered again.
  for (int t = 0; t <= 255; ++t) {
    const auto tenths = static_cast<std::uint8_t>(t);
    EXPECT_EQ(VolumeToTenths(TenthsToLitres(tenths)), tenths) << t;
  }
  EXPECT_DOUBLE_EQ(TenthsToLitres(23), 2.3);
}

TEST(PressureSensorVolts, SignedDifferenceScaledToFiveVolts) {
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{4096, 0, {}}), 5.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{2048, 2048, {}}), 0.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{0, 4096, {}}), -5.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{0, 65535, {}}), -65535 * 5 / 4096.0);
}

Bytes Encoded(const ScheduleRecord& record) {
  std::array<std::uint8_t, kScheduleRecordSize> bytes{};
  EncodeScheduleRecord(record, bytes);
  return Bytes(bytes.begin(), bytes.end());
}

TEST(BuildScheduleRecord, RowsInUseSortedByOffsetFromTheFirstRow) {
  std::vector<ScheduleRow> rows(15);
  rows[1] = {true, false, 2, 0.5, 60, 60};
  rows[2] = {false, true, 9, 9.9, 99, 1};  // not in use: not sent
  rows[3] = {true, true, 4, 2.3, 30, 10};
  const ScheduleRecord record = BuildScheduleRecord(true, 0x12345678, rows);

  Bytes expected(98, 0);
  expected[1] = 1;
  expected[4] = 0x78;
  expected[5] = 0x56;
  expected[6] = 0x34;
  expected[7] = 0x12;
  const Bytes sent = {0x03, 4, 23, 30, 10, 0,  // row 3 first, cleaning ticked
                      0x01, 2, 5,  60, 60, 0};
  std::copy(sent.begin(), sent.end(), expected.begin() + 8);
  EXPECT_EQ(Encoded(record), expected);
}

TEST(BuildScheduleRecord, ValuesAreLimitedToTheirFields) {
  const std::vector<ScheduleRow> rows = {
      {true, false, 256, 30.0, 1000, 65536},
      {true, false, 255, 25.5, 255, 65535},
      {true, false, 4000000000u, -1.0, 4000000000u, 4000000000u}};
  const ScheduleRecord record = BuildScheduleRecord(false, 0, rows);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(record.rows[i].samples, 255) << i;
    EXPECT_EQ(record.rows[i].timeout_minutes, 255) << i;
    EXPECT_EQ(record.rows[i].offset_minutes, 65535) << i;
  }
  EXPECT_EQ(record.rows[0].volume_tenths, 255);
  EXPECT_EQ(record.rows[2].volume_tenths, 0);
  EXPECT_EQ(record.autostart, 0);
  EXPECT_EQ(record.rows[3], ScheduleEntry{});
}

TEST(BuildScheduleRecord, KeepsTheEarliestRowsWhenMoreThanFifteenAreInUse) {
  std::vector<ScheduleRow> rows;
  for (std::uint32_t i = 20; i > 0; --i) rows.push_back({true, false, 1, 1.0, 1, i});
  const ScheduleRecord record = BuildScheduleRecord(false, 0, rows);
  for (std::size_t i = 0; i < kScheduleRows; ++i) EXPECT_EQ(record.rows[i].offset_minutes, i + 1);

  EXPECT_EQ(BuildScheduleRecord(true, 5, {}).rows[0], ScheduleEntry{});
}

}  // namespace
}  // namespace tq
