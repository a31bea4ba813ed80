// EpochSeconds: the instrument's 32-bit timestamp, converted to and from calendar fields
// with plain UTC arithmetic (proleptic Gregorian, 86400-second days, no time zone).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/records.h"

namespace tq {

// Read as signed, the instrument's timestamps are valid from 12 hours before the epoch
// (so a clock set to any time zone's 1 January 1970 still shows) up to 2^31 - 1.
inline constexpr std::int32_t kEpochFirstValid = -43200;
inline constexpr std::uint32_t kEpochInvalid = 0xFFFFFFFFu;  // what pickers_to_epoch gives

struct CalendarTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The fields of the instrument's clock record, as they stand (not checked).
[[nodiscard]] inline CalendarTime calendar_of(const DeviceTime& time) {
  return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

// The clock record of a calendar moment: its fields as they are (the instrument's clock
// takes the local wall-clock time, with no time zone), reserved byte 0.
[[nodiscard]] DeviceTime device_time_of(const CalendarTime& moment);

[[nodiscard]] bool epoch_is_valid(std::uint32_t value);

// The UTC breakdown of a valid value; nothing for an invalid one.
[[nodiscard]] std::optional<CalendarTime> epoch_breakdown(std::uint32_t value);

// Seconds since 1970-01-01 00:00:00 of a calendar moment, any year; nothing when a field
// is out of its range (month 13, 31 April, hour 24, ...).
[[nodiscard]] std::optional<std::int64_t> calendar_seconds(const CalendarTime& time);

// The EpochSeconds of a calendar moment; kEpochInvalid when it lies outside the valid
// range (before 31/12/1969 12:00:00 or after 19/01/2038 03:14:07) or a field is out of
// its range.
[[nodiscard]] std::uint32_t calendar_to_epoch(const CalendarTime& time);

// "dd/mm/yyyy hh:mm:ss", or "invalid (%u)" for an invalid value; at most 20 characters.
[[nodiscard]] std::string format_epoch(std::uint32_t value);

// Sort order of schedule waypoints: ascending start offset.
[[nodiscard]] int compare_waypoints(std::uint16_t a_start_offset, std::uint16_t b_start_offset);

}  // namespace tq
