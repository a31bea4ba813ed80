// Calendar arithmetic for the instrument clock: seconds since 1970-01-01 00:00:00 and the
// calendar fields of a DeviceTime, with no time zone involved.
#pragma once

#include <cstdint>
#include <optional>

#include "link/records.h"

namespace tq::sim {

// Seconds since 1970 of the calendar fields, or nothing when a field is out of range
// (month 0 or 13, 31 April, hour 24 ...) or the moment lies before 1970.
[[nodiscard]] std::optional<std::int64_t> EpochFromDeviceTime(const DeviceTime& time);

// Calendar fields of a moment from 1970 up to the year 65535.
[[nodiscard]] DeviceTime DeviceTimeFromEpoch(std::int64_t seconds);

}  // namespace tq::sim
