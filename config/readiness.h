// Whether the instrument's clock is fit to run a schedule. The instrument's clock is local
// wall-clock time without a zone, so it is compared with the computer's local time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/records.h"
#include "ui/readiness.h"

namespace tq {

// Seconds the instrument is ahead of the computer (negative: behind); nothing when either
// time is not a real moment.
[[nodiscard]] std::optional<std::int64_t> clock_offset(const DeviceTime& instrument,
                                                       const DeviceTime& computer);

// "+2 s (ahead of this computer)", "-75 s (behind this computer)", "0 s".
[[nodiscard]] std::string offset_text(std::int64_t seconds);

// Schedules run on the instrument's clock: one more than `limit_seconds` off fails.
[[nodiscard]] CheckLine check_clock(const DeviceTime& instrument, const DeviceTime& computer,
                                    double limit_seconds);

}  // namespace tq
