// Clock times.
#include "cli/clock_text.h"

#include <cstdio>

#include "shell/epoch.h"

namespace tq::cli {
namespace {

std::optional<std::int64_t> seconds_of(const DeviceTime& time) {
  CalendarTime calendar;
  calendar.year = time.year;
  calendar.month = time.month;
  calendar.day = time.day;
  calendar.hour = time.hour;
  calendar.minute = time.minute;
  calendar.second = time.second;
  return calendar_seconds(calendar);
}

}  // namespace

std::optional<DeviceTime> parse_clock_time(std::string_view text) {
  const std::string copy(text);
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0;
  int consumed = 0;
  if (std::sscanf(copy.c_str(), "%4u-%2u-%2u%c%2u:%2u:%2u%n", &year, &month, &day, &separator,
                  &hour, &minute, &second, &consumed) != 7 ||
      static_cast<std::size_t>(consumed) != copy.size() || (separator != ' ' && separator != 'T')) {
    return std::nullopt;
  }
  DeviceTime time;
  time.year = static_cast<std::uint16_t>(year);
  time.month = static_cast<std::uint8_t>(month);
  time.day = static_cast<std::uint8_t>(day);
  time.hour = static_cast<std::uint8_t>(hour);
  time.minute = static_cast<std::uint8_t>(minute);
  time.second = static_cast<std::uint8_t>(second);
  if (!seconds_of(time)) return std::nullopt;
  return time;
}

std::string clock_text(const DeviceTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", time.day, time.month, time.year,
                time.hour, time.minute, time.second);
  return text;
}

std::string clock_iso(const DeviceTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::optional<std::int64_t> clock_offset(const DeviceTime& instrument, const DeviceTime& computer) {
  const auto a = seconds_of(instrument);
  const auto b = seconds_of(computer);
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

std::string offset_text(std::int64_t seconds) {
  if (seconds == 0) return "0 s";
  char text[64];
  std::snprintf(text, sizeof text, "%+lld s (%s this computer)", static_cast<long long>(seconds),
                seconds > 0 ? "ahead of" : "behind");
  return text;
}

}  // namespace tq::cli
