// Whether the unit is ready to go in the water, judged from the records the Diagnostics
// view and the task table read: the supply, the diagnostic log and the tasks' stacks.
#pragma once

#include <span>

#include "link/records.h"
#include "ui/readiness.h"

namespace tq {

// The supply voltage within the operator's limits, in volts.
[[nodiscard]] CheckLine check_supply(const SystemStatus& status, double min_volts,
                                     double max_volts);

// Errors logged since the last "Restarted after reset", the log in its order.
[[nodiscard]] CheckLine check_errors(std::span<const DiagnosticLogEntry> log);

// Tasks that use more than 90% of their stack; the tasks read, in order.
[[nodiscard]] CheckLine check_stacks(std::span<const TaskDetails> tasks);

}  // namespace tq
