// The verdicts of 'check', rule by rule, and the exit status a script sees.
#include "cli/check_rules.h"

#include <gtest/gtest.h>

#include "tests/cli/cli_rig.h"

namespace tq::cli {
namespace {

constexpr std::uint32_t kClock = 1796725800;  // 08/12/2026 10:30:00 on the instrument

ScheduleEntry waypoint(std::uint16_t offset_minutes) {
  return {kScheduleRowInUse, 1, 25, 30, offset_minutes};
}

DiagnosticLogEntry entry(std::uint8_t severity, const char* message) {
  DiagnosticLogEntry e;
  e.severity = severity;
  SetFieldText(e.message, message);
  return e;
}

TEST(CheckRules, EachRuleGivesItsVerdict) {
  const ScheduleRecord passed{1, kClock, {waypoint(0)}};  // starts this very second: it has passed
  const ScheduleRecord same_offset{1, kClock + 60, {waypoint(0), waypoint(0)}};
  const ScheduleRecord not_set_to_start{0, kClock + 60, {waypoint(0)}};
  const DiagnosticLogEntry restart = entry(kSeverityInformation, "Restarted after reset");
  const DiagnosticLogEntry error = entry(kSeverityError, "Pump stalled");
  const DiagnosticLogEntry before_restart[] = {error, restart, entry(kSeverityInformation, "ok")};
  const DiagnosticLogEntry after_restart[] = {restart, error, error};
  SystemStatus pumping;
  pumping.sampler_state = static_cast<std::uint8_t>(SamplerState::kPumpingSample);
  pumping.cartridge_id = 3;

  struct Case {
    const char* name;
    CheckLine line;
    Verdict verdict;
    std::string detail;
  };
  const Case cases[] = {
      {"start at the clock", check_schedule(passed, kClock, false), Verdict::kFail,
       "its start, 08/12/2026 10:30:00, has passed"},
      {"two waypoints at one offset", check_schedule(same_offset, kClock, false), Verdict::kWarn,
       "waypoints 1 and 2 start at the same time; give one a later offset"},
      {"autostart off, not started", check_schedule(not_set_to_start, kClock, false),
       Verdict::kWarn,
       "1 waypoint, but autostart is off and it is not started; start it with 'run start "
       "--mode schedule'"},
      {"an error before the last restart", check_errors(before_restart), Verdict::kOk,
       "none since the last restart"},
      {"errors after it", check_errors(after_restart), Verdict::kWarn,
       "2 since the last restart, the last: Pump stalled"},
      {"busy, named as the Run view names it", check_state(pumping), Verdict::kFail,
       "the sampler is busy (Pumping Sample ID=3); stop it first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.line.verdict, c.verdict);
    EXPECT_EQ(c.line.detail, c.detail);
  }

  const CheckLine warned[] = {{Verdict::kOk, "a", ""}, {Verdict::kWarn, "b", ""}};
  EXPECT_FALSE(check_fails(warned, false));
  EXPECT_TRUE(check_fails(warned, true));
}

// The recipe `check || exit 1` stops on a clock an hour off.
TEST(CheckRules, AClockAnHourOffFailsTheCheck) {
  const test::Unit fresh = test::open_unit(test::Via::kProcess, "FRESH", {});
  if (!fresh.ready()) GTEST_SKIP() << fresh.why;
  test::FakePlatform platform;
  platform.now.hour = 11;  // the instrument's clock stands at 10:30
  EXPECT_EQ(test::run(fresh.with({"check"}), platform).status, 1);  // every other check passes
}

}  // namespace
}  // namespace tq::cli
