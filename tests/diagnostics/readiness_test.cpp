// The readiness verdicts of the diagnostic log and the stacks.
#include "diagnostics/readiness.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

DiagnosticLogEntry entry(std::uint8_t severity, const char* message) {
  DiagnosticLogEntry e;
  e.severity = severity;
  SetFieldText(e.message, message);
  return e;
}

TaskDetails stack(const char* name, std::uint32_t start, std::uint32_t end, std::uint32_t top) {
  TaskDetails task;
  SetFieldText(task.name, name);
  task.stack_start = start;
  task.stack_end = end;
  task.stack_top = top;
  return task;
}

TEST(DiagnosticsReadiness, EachRuleGivesItsVerdict) {
  const DiagnosticLogEntry restart = entry(kSeverityInformation, "Restarted after reset");
  const DiagnosticLogEntry error = entry(kSeverityError, "Pump stalled");
  const DiagnosticLogEntry before_restart[] = {error, restart, entry(kSeverityInformation, "ok")};
  const DiagnosticLogEntry after_restart[] = {restart, error, error};
  // 901 and 900 of 1000 bytes used; a stack spanning every address wraps its size to 0.
  const TaskDetails stacks[] = {stack("Pump", 0x1000, 0x13E7, 0x1063),
                                stack("Idle", 0x1000, 0x13E7, 0x1064), stack("All", 0, ~0u, 1)};

  struct Case {
    const char* name;
    CheckLine line;
    Verdict verdict;
    std::string detail;
  };
  const Case cases[] = {
      {"an error before the last restart", check_errors(before_restart), Verdict::kOk,
       "none since the last restart"},
      {"errors after it", check_errors(after_restart), Verdict::kWarn,
       "2 since the last restart, the last: Pump stalled"},
      {"stacks above 90%", check_stacks(stacks), Verdict::kWarn, "above 90%: Pump 901/1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.line.verdict, c.verdict);
    EXPECT_EQ(c.line.detail, c.detail);
  }
}

}  // namespace
}  // namespace tq
