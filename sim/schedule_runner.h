// The stored schedule in control: its in-use waypoints start Sample runs at their offsets
// from the schedule's start, one after another.
#pragma once

#include <cstdint>

#include "sim/instrument.h"

namespace tq::sim {

// StartSchedule / StopSchedule; the result byte to answer with.
[[nodiscard]] std::uint8_t StartScheduleRun(Instrument& instrument);
[[nodiscard]] std::uint8_t StopScheduleRun(Instrument& instrument);
void StepSchedule(Instrument& instrument);

// When the next waypoint is due, seconds since 1970; 0 when none is left.
[[nodiscard]] std::uint32_t NextEventTime(const Instrument& instrument);

}  // namespace tq::sim
