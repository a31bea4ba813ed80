// Civil calendar conversions (proleptic Gregorian, days counted from 1970-01-01).
#include "sim/calendar.h"

namespace tq::sim {
namespace {

bool IsLeap(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date, after H. Hinnant's days_from_civil.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

std::optional<std::int64_t> EpochFromDeviceTime(const DeviceTime& time) {
  if (time.month < 1 || time.month > 12) return std::nullopt;
  if (time.day < 1 || time.day > DaysInMonth(time.year, time.month)) return std::nullopt;
  if (time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
  const std::int64_t days = DaysFromCivil(time.year, time.month, time.day);
  if (days < 0) return std::nullopt;
  return days * 86400 + std::int64_t{time.hour} * 3600 + std::int64_t{time.minute} * 60 +
         time.second;
}

DeviceTime DeviceTimeFromEpoch(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t days = seconds / 86400;
  const std::int64_t rest = seconds % 86400;
  // civil_from_days
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  DeviceTime out;
  out.year = static_cast<std::uint16_t>(year > 65535 ? 65535 : year);
  out.month = static_cast<std::uint8_t>(month);
  out.day = static_cast<std::uint8_t>(day);
  out.hour = static_cast<std::uint8_t>(rest / 3600);
  out.minute = static_cast<std::uint8_t>(rest % 3600 / 60);
  out.second = static_cast<std::uint8_t>(rest % 60);
  return out;
}

}  // namespace tq::sim
