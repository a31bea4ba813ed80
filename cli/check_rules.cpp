// The limits and the verdict of 'check'.
#include "cli/check_rules.h"

#include <cmath>

namespace tq::cli {

const char* verdict_text(Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk:
      return "OK";
    case Verdict::kWarn:
      return "WARN";
    case Verdict::kFail:
      return "FAIL";
  }
  return "FAIL";
}

std::string check_limits_problem(const CheckLimits& limits) {
  if (!std::isfinite(limits.clock_offset_s) || limits.clock_offset_s < 0) {
    return "--clock-limit must be a number of seconds, 0 or more";
  }
  if (!std::isfinite(limits.supply_min_v) || !std::isfinite(limits.supply_max_v)) {
    return "--supply-min and --supply-max must be numbers of volts";
  }
  if (limits.supply_min_v > limits.supply_max_v) {
    return "--supply-min is above --supply-max; give the lower voltage first";
  }
  return "";
}

bool check_fails(std::span<const CheckLine> lines, bool strict) {
  for (const CheckLine& line : lines) {
    if (line.verdict == Verdict::kFail || (strict && line.verdict == Verdict::kWarn)) return true;
  }
  return false;
}

}  // namespace tq::cli
