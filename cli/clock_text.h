// Clock times as the tool reads and prints them.
#pragma once

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

}  // namespace tq::cli
