// The verdicts of 'check', each a pure function of what was read from the instrument and
// the operator's limits, so that every rule is tested without an instrument.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cli/invocation.h"
#include "link/records.h"

namespace tq::cli {

enum class Verdict { kOk, kWarn, kFail };

struct CheckLine {
  Verdict verdict;
  std::string what;
  std::string detail;
};

[[nodiscard]] const char* verdict_text(Verdict verdict);

// The limits given on the command line, refused when they make no sense (NaN, a minimum
// above the maximum): what is wrong, or "".
[[nodiscard]] std::string check_limits_problem(const CheckLimits& limits);

[[nodiscard]] CheckLine check_state(const SystemStatus& status);
[[nodiscard]] CheckLine check_supply(const SystemStatus& status, const CheckLimits& limits);
// Schedules run on the instrument's clock: one that is off fails.
[[nodiscard]] CheckLine check_clock(const DeviceTime& instrument, const DeviceTime& computer,
                                    const CheckLimits& limits);
// The schedule against the instrument's clock (seconds since 1970) and whether the
// schedule is in control already.
[[nodiscard]] CheckLine check_schedule(const ScheduleRecord& schedule,
                                       std::uint32_t instrument_clock, bool schedule_in_control);
// Errors logged since the last "Restarted after reset", the log in its order.
[[nodiscard]] CheckLine check_errors(std::span<const DiagnosticLogEntry> log);

// Whether a report with these lines fails: any FAIL, or with `strict` any WARN too.
[[nodiscard]] bool check_fails(std::span<const CheckLine> lines, bool strict);

}  // namespace tq::cli
