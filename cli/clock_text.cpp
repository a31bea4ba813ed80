// Clock times.
#include "cli/clock_text.h"

#include <charconv>
#include <cstdio>

#include "config/clock_dialog.h"
#include "ui/epoch.h"

namespace tq::cli {
std::optional<DeviceTime> parse_clock_time(std::string_view text) {
  // Exactly YYYY-MM-DD HH:MM:SS (or with a T): no signs, spaces or short fields slip in.
  constexpr std::string_view kShape = "dddd-dd-dd?dd:dd:dd";
  if (text.size() != kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const char c = text[i];
    const bool ok = kShape[i] == 'd'   ? (c >= '0' && c <= '9')
                    : kShape[i] == '?' ? (c == ' ' || c == 'T')
                                       : c == kShape[i];
    if (!ok) return std::nullopt;
  }
  const auto field = [&](std::size_t at, std::size_t length) {
    unsigned value = 0;
    std::from_chars(text.data() + at, text.data() + at + length, value);
    return value;
  };
  const unsigned year = field(0, 4), month = field(5, 2), day = field(8, 2);
  const unsigned hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
  DeviceTime time;
  time.year = static_cast<std::uint16_t>(year);
  time.month = static_cast<std::uint8_t>(month);
  time.day = static_cast<std::uint8_t>(day);
  time.hour = static_cast<std::uint8_t>(hour);
  time.minute = static_cast<std::uint8_t>(minute);
  time.second = static_cast<std::uint8_t>(second);
  if (!calendar_seconds(calendar_of(time))) return std::nullopt;
  return time;
}

std::string clock_text(const DeviceTime& time) { return clock_panel_text(time); }

std::string clock_iso(const DeviceTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

}  // namespace tq::cli
