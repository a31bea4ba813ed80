// EpochSeconds conversions, checked against the C library's UTC conversions.
#include "ui/epoch.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <random>

namespace tq {
namespace {

// The same text as format_epoch, made by gmtime_r instead of the program's arithmetic.
std::string reference_text(std::int32_t value) {
  const std::time_t seconds = value;
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%d/%m/%Y %H:%M:%S", &parts);
  return text.data();
}

std::uint32_t reference_epoch(const CalendarTime& time) {
  std::tm parts{};
  parts.tm_year = time.year - 1900;
  parts.tm_mon = time.month - 1;
  parts.tm_mday = time.day;
  parts.tm_hour = time.hour;
  parts.tm_min = time.minute;
  parts.tm_sec = time.second;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(timegm(&parts)));
}

TEST(FormatEpoch, ValidRangeEndsAndEpochMatchTheLibrary) {
  for (const std::int32_t value : {0, -1, -43200, 2147483647, 86399, 951782400, 951868799}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(format_epoch(static_cast<std::uint32_t>(value)), reference_text(value));
  }
  EXPECT_EQ(format_epoch(0), "01/01/1970 00:00:00");
  EXPECT_EQ(format_epoch(0xFFFFFFFFu), "31/12/1969 23:59:59");
  EXPECT_EQ(format_epoch(2147483647u), "19/01/2038 03:14:07");
}

TEST(FormatEpoch, SampledValuesMatchTheLibrary) {
  std::mt19937 random(20240607);
  std::uniform_int_distribution<std::int32_t> any(-43200, 2147483647);
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t value = any(random);
    ASSERT_EQ(format_epoch(static_cast<std::uint32_t>(value)), reference_text(value)) << value;
  }
}

TEST(FormatEpoch, ValuesBeforeTwelveHoursAheadOfTheEpochAreInvalid) {
  EXPECT_EQ(format_epoch(static_cast<std::uint32_t>(-43201)), "invalid (4294924095)");
  EXPECT_EQ(format_epoch(0x80000000u), "invalid (2147483648)");
  // The longest text the function can produce still fits its 21-byte buffer.
  EXPECT_EQ(format_epoch(4294924095u).size(), 20u);
  EXPECT_FALSE(epoch_breakdown(4294924095u).has_value());
  EXPECT_TRUE(epoch_breakdown(4294924096u).has_value());
}

TEST(CalendarToEpoch, RangeEnds) {
  EXPECT_EQ(calendar_to_epoch({1970, 1, 1, 0, 0, 0}), 0u);
  EXPECT_EQ(calendar_to_epoch({1969, 12, 31, 12, 0, 0}), static_cast<std::uint32_t>(-43200));
  EXPECT_EQ(calendar_to_epoch({1969, 12, 31, 11, 59, 59}), kEpochInvalid);
  EXPECT_EQ(calendar_to_epoch({2038, 1, 19, 3, 14, 7}), 2147483647u);
  EXPECT_EQ(calendar_to_epoch({2038, 1, 19, 3, 14, 8}), kEpochInvalid);
  EXPECT_EQ(calendar_to_epoch({2106, 2, 7, 6, 28, 15}), kEpochInvalid);
}

TEST(CalendarToEpoch, MatchesTheLibraryAndRejectsImpossibleDates) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> year(1970, 2037), month(1, 12), day(1, 28), hour(0, 23),
      minute(0, 59);
  for (int i = 0; i < 20000; ++i) {
    const CalendarTime time{year(random), month(random),  day(random),
                            hour(random), minute(random), minute(random)};
    ASSERT_EQ(calendar_to_epoch(time), reference_epoch(time)) << time.year << "-" << time.month;
  }
  EXPECT_EQ(calendar_to_epoch({2000, 2, 29, 0, 0, 0}), reference_epoch({2000, 2, 29, 0, 0, 0}));
  EXPECT_EQ(calendar_to_epoch({2001, 2, 29, 0, 0, 0}), kEpochInvalid);
  EXPECT_EQ(calendar_to_epoch({2000, 13, 1, 0, 0, 0}), kEpochInvalid);
  EXPECT_EQ(calendar_to_epoch({2000, 1, 1, 24, 0, 0}), kEpochInvalid);
}

TEST(CompareWaypoints, SortsAscendingByStartOffsetOverTheFullRange) {
  EXPECT_LT(compare_waypoints(0, 65535), 0);
  EXPECT_GT(compare_waypoints(65535, 0), 0);
  EXPECT_EQ(compare_waypoints(300, 300), 0);
}

}  // namespace
}  // namespace tq
