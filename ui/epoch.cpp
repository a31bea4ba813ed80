// UTC calendar arithmetic for EpochSeconds, by day counts rather than the C library's
// time functions, whose range and time-zone handling differ between platforms.
#include "ui/epoch.h"

#include <array>
#include <cstdio>
#include <limits>

namespace tq {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (era-based, exact for any year).
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

CalendarTime civil_from_seconds(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t day_of_era = shifted - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t month_index = (5 * day_of_year + 2) / 153;
  CalendarTime time;
  time.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  time.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  time.year = static_cast<int>(year_of_era + era * 400 + (time.month <= 2 ? 1 : 0));
  time.hour = static_cast<int>(rest / 3600);
  time.minute = static_cast<int>(rest / 60 % 60);
  time.second = static_cast<int>(rest % 60);
  return time;
}

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

}  // namespace

bool epoch_is_valid(std::uint32_t value) {
  return static_cast<std::int32_t>(value) >= kEpochFirstValid;
}

std::optional<CalendarTime> epoch_breakdown(std::uint32_t value) {
  if (!epoch_is_valid(value)) return std::nullopt;
  return civil_from_seconds(static_cast<std::int32_t>(value));
}

std::optional<std::int64_t> calendar_seconds(const CalendarTime& time) {
  if (time.month < 1 || time.month > 12 || time.day < 1 ||
      time.day > days_in_month(time.year, time.month) || time.hour < 0 || time.hour > 23 ||
      time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 59) {
    return std::nullopt;
  }
  return days_from_civil(time.year, time.month, time.day) * kSecondsPerDay + time.hour * 3600 +
         time.minute * 60 + time.second;
}

std::uint32_t calendar_to_epoch(const CalendarTime& time) {
  const auto seconds = calendar_seconds(time);
  if (!seconds || *seconds < kEpochFirstValid ||
      *seconds > std::numeric_limits<std::int32_t>::max())
    return kEpochInvalid;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(*seconds));
}

std::string format_epoch(std::uint32_t value) {
  std::array<char, 32> text{};
  const auto time = epoch_breakdown(value);
  if (!time) {
    std::snprintf(text.data(), text.size(), "invalid (%u)", value);
  } else {
    std::snprintf(text.data(), text.size(), "%02d/%02d/%04d %02d:%02d:%02d", time->day, time->month,
                  time->year, time->hour, time->minute, time->second);
  }
  return text.data();
}

int compare_waypoints(std::uint16_t a_start_offset, std::uint16_t b_start_offset) {
  return static_cast<int>(a_start_offset) - static_cast<int>(b_start_offset);
}

DeviceTime device_time_of(const CalendarTime& moment) {
  DeviceTime time;
  time.year = static_cast<std::uint16_t>(moment.year);
  time.month = static_cast<std::uint8_t>(moment.month);
  time.day = static_cast<std::uint8_t>(moment.day);
  time.hour = static_cast<std::uint8_t>(moment.hour);
  time.minute = static_cast<std::uint8_t>(moment.minute);
  time.second = static_cast<std::uint8_t>(moment.second);
  return time;
}

}  // namespace tq
