// What 'check' adds to the readiness rules of the subsystems: the limits given on the
// command line, the verdict's word, and whether the report fails.
#pragma once

#include <span>
#include <string>

#include "cli/invocation.h"
#include "ui/readiness.h"

namespace tq::cli {

[[nodiscard]] const char* verdict_text(Verdict verdict);

// The limits given on the command line, refused when they make no sense (NaN, a minimum
// above the maximum): what is wrong, or "".
[[nodiscard]] std::string check_limits_problem(const CheckLimits& limits);

// Whether a report with these lines fails: any FAIL, or with `strict` any WARN too.
[[nodiscard]] bool check_fails(std::span<const CheckLine> lines, bool strict);

}  // namespace tq::cli
