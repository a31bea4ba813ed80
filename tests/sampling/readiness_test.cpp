// The sampler's readiness verdicts, rule by rule.
#include "sampling/readiness.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

constexpr std::uint32_t kClock = 1796725800;  // 08/12/2026 10:30:00 on the instrument

ScheduleEntry waypoint(std::uint16_t offset_minutes) {
  return {kScheduleRowInUse, 1, 25, 30, offset_minutes};
}

TEST(SamplerReadiness, EachRuleGivesItsVerdict) {
  const ScheduleRecord passed{1, kClock, {waypoint(0)}};  // starts this very second: it has passed
  const ScheduleRecord same_offset{1, kClock + 60, {waypoint(0), waypoint(0)}};
  const ScheduleRecord not_set_to_start{0, kClock + 60, {waypoint(0)}};
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
      {"busy, named as the Run view names it", check_state(pumping), Verdict::kFail,
       "the sampler is busy (Pumping Sample ID=3); stop it first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.line.verdict, c.verdict);
    EXPECT_EQ(c.line.detail, c.detail);
  }
}

}  // namespace
}  // namespace tq
