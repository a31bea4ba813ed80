// The clock's readiness rule.
#include "config/readiness.h"

#include <cmath>
#include <cstdio>

#include "ui/epoch.h"

namespace tq {

std::optional<std::int64_t> clock_offset(const DeviceTime& instrument, const DeviceTime& computer) {
  const auto a = calendar_seconds(calendar_of(instrument));
  const auto b = calendar_seconds(calendar_of(computer));
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

std::string offset_text(std::int64_t seconds) {
  if (seconds == 0) return "0 s";
  char text[64];
  std::snprintf(text, sizeof text, "%+lld s (%s this computer)", static_cast<long long>(seconds),
                seconds > 0 ? "ahead of" : "behind");
  return text;
}

CheckLine check_clock(const DeviceTime& instrument, const DeviceTime& computer,
                      double limit_seconds) {
  const auto offset = clock_offset(instrument, computer);
  if (!offset) {
    return {Verdict::kFail, "clock", "the instrument's clock is not a real date; set it"};
  }
  const std::string text = offset_text(*offset);
  if (std::fabs(static_cast<double>(*offset)) > limit_seconds) {
    return {Verdict::kFail, "clock", text + "; set it with 'clock set --pc'"};
  }
  return {Verdict::kOk, "clock", text};
}

}  // namespace tq
