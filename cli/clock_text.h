// Clock times as the tool reads and writes them. The instrument's clock is local wall-clock
// time without a zone, so offsets compare it with the computer's local time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/records.h"

namespace tq::cli {

// "YYYY-MM-DD HH:MM:SS" (or with a T between date and time); nothing for any other text
// or a moment that does not exist (31 April, hour 24).
[[nodiscard]] std::optional<DeviceTime> parse_clock_time(std::string_view text);

// "dd/mm/yyyy hh:mm:ss", as the clock dialog shows it.
[[nodiscard]] std::string clock_text(const DeviceTime& time);
// "yyyy-mm-ddThh:mm:ss", for JSON.
[[nodiscard]] std::string clock_iso(const DeviceTime& time);

// Seconds the instrument is ahead of the computer (negative: behind); nothing when either
// time is not a real moment.
[[nodiscard]] std::optional<std::int64_t> clock_offset(const DeviceTime& instrument,
                                                       const DeviceTime& computer);

// "+2 s (ahead of this computer)", "-75 s (behind this computer)", "0 s".
[[nodiscard]] std::string offset_text(std::int64_t seconds);

}  // namespace tq::cli
