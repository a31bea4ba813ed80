// Whether the sampler is ready to go in the water, judged from the records the Run view and
// the schedule dialog read: its state, its schedule and its sample log.
#pragma once

#include <cstdint>

#include "link/records.h"
#include "ui/readiness.h"

namespace tq {

// Powered and idle; the schedule in control already only warns.
[[nodiscard]] CheckLine check_state(const SystemStatus& status);

// The schedule against the instrument's clock (seconds since 1970) and whether the
// schedule is in control already.
[[nodiscard]] CheckLine check_schedule(const ScheduleRecord& schedule,
                                       std::uint32_t instrument_clock, bool schedule_in_control);

// A log that still holds entries is to be saved and cleared before deployment.
[[nodiscard]] CheckLine check_sample_log(bool holds_entries);

}  // namespace tq
