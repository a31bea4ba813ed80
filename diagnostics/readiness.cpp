// The readiness rules of the supply, the diagnostic log and the stacks.
#include "diagnostics/readiness.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "diagnostics/diagnostics_view.h"
#include "diagnostics/task_table.h"
#include "ui/text_encoding.h"

namespace tq {
namespace {

std::string format(const char* pattern, double value) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

CheckLine check_supply(const SystemStatus& status, double min_volts, double max_volts) {
  const double volts = status.supply_voltage;
  const std::string reading = format("%.2f V", volts);
  if (!std::isfinite(volts) || volts < min_volts || volts > max_volts) {
    return {Verdict::kFail, "supply",
            reading + format(", outside %.2f", min_volts) + format(" to %.2f V", max_volts)};
  }
  return {Verdict::kOk, "supply", reading};
}

CheckLine check_errors(std::span<const DiagnosticLogEntry> log) {
  std::size_t errors = 0;
  std::string last_error;
  for (const DiagnosticLogEntry& entry : log) {
    if (log_row_colour(entry) == kRowBlue) {
      errors = 0;  // a restart: what came before belongs to an earlier run
    } else if (entry.severity == kSeverityError) {
      ++errors;
      last_error = utf8_from_windows_1252(log_row_cells(entry).back());
    }
  }
  if (errors == 0) return {Verdict::kOk, "errors", "none since the last restart"};
  return {Verdict::kWarn, "errors",
          std::to_string(errors) + " since the last restart, the last: " + last_error};
}

CheckLine check_stacks(std::span<const TaskDetails> tasks) {
  std::string full;
  for (const TaskDetails& task : tasks) {
    const auto [used, size] = stack_usage(task);
    // A size wrapped to 0 is no stack to judge.
    if (size != 0 && static_cast<double>(used) > 0.9 * size) {
      full.append(" ")
          .append(utf8_from_windows_1252(FieldText(task.name)))
          .append(" ")
          .append(std::to_string(used))
          .append("/")
          .append(std::to_string(size));
    }
  }
  if (full.empty()) return {Verdict::kOk, "stacks", "every task below 90% of its stack"};
  return {Verdict::kWarn, "stacks", "above 90%:" + full};
}

}  // namespace tq
