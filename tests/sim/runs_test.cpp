// Runs, the schedule, the sample log and the cartridge ID of the simulated instrument,
// driven through the program's command operations with the instrument's clock stepped by
// the test.
#include <gtest/gtest.h>

#include <vector>

#include "tests/sim/sim_rig.h"

namespace tq::sim::test {
namespace {

constexpr std::uint8_t kIdle = 2;

RunRequest SampleRun(std::uint8_t cartridges, std::uint8_t tenths, bool clean) {
  RunRequest r;
  r.run_mode = kRunModeSample;
  r.cartridge_count = cartridges;
  r.volume_tenths = tenths;
  r.timeout_minutes = 5;
  r.clean = clean ? 1 : 0;
  r.start_time = 1783418400;
  return r;
}

// Steps the clock a second at a time, polling as the Run view does, until the sampler is
// idle again; returns the states seen, each once per stretch.
struct RunTrace {
  std::vector<std::uint8_t> states;
  std::vector<float> first_entry_volumes;
};

RunTrace FollowRun(SimRig& rig, int max_seconds = 3600) {
  RunTrace trace;
  for (int s = 0; s < max_seconds; ++s) {
    const SystemStatus status = rig.Status();
    if (trace.states.empty() || trace.states.back() != status.sampler_state) {
      trace.states.push_back(status.sampler_state);
    }
    SampleLogEntry entry;
    if (GetSampleLogEntry(rig.c(), 0, &entry) == 0)
      trace.first_entry_volumes.push_back(entry.volume);
    if (status.sampler_state == kIdle && s > 0) break;
    rig.server().AdvanceTime(1000);
  }
  return trace;
}

TEST(SimRuns, SampleRunWalksTheStatesAndWritesGrowingEntries) {
  SimRig rig;
  ASSERT_EQ(StartRun(rig.c(), SampleRun(2, 5, true)), 0);
  const RunTrace trace = FollowRun(rig);
  const std::vector<std::uint8_t> expected = {3, 4, 8, 5, 6, 9, 7, 3, 4, 8, 5, 6, 9, 7, 10, 2};
  EXPECT_EQ(trace.states, expected);

  // The newest entry changes while it is written: its volume grows from poll to poll.
  std::size_t rises = 0;
  for (std::size_t i = 1; i < trace.first_entry_volumes.size(); ++i) {
    EXPECT_GE(trace.first_entry_volumes[i], trace.first_entry_volumes[i - 1]);
    if (trace.first_entry_volumes[i] > trace.first_entry_volumes[i - 1]) ++rises;
  }
  EXPECT_GE(rises, 10u);

  for (std::uint16_t i = 0; i < 2; ++i) {
    SampleLogEntry entry;
    ASSERT_EQ(GetSampleLogEntry(rig.c(), i, &entry), 0);
    EXPECT_EQ(entry.cartridge_id, 1 + i);
    EXPECT_EQ(entry.treatment, 3);    // stabilized full sample
    EXPECT_EQ(entry.stop_reason, 6);  // complete
    EXPECT_GE(entry.volume, 0.5F);
    EXPECT_LT(entry.volume, 0.6F);
    EXPECT_GT(entry.duration, 20u);
    EXPECT_GT(entry.max_pressure, 0.0F);
  }
  const SystemStatus status = rig.Status();
  EXPECT_EQ(status.cartridge_id, 3);
  EXPECT_EQ(status.error_flag, 0);
  EXPECT_GE(status.flow_volume, 0.5F);
}

TEST(SimRuns, TheLogEndsWithNineAndTheRecordIsLeftAlone) {
  SimRig rig;
  ASSERT_EQ(StartRun(rig.c(), SampleRun(1, 2, false)), 0);
  FollowRun(rig);
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), 0);
  SampleLogEntry untouched;
  untouched.cartridge_id = 777;
  EXPECT_EQ(GetSampleLogEntry(rig.c(), 1, &untouched), kResultNoSuchEntry);
  EXPECT_EQ(GetSampleLogEntry(rig.c(), 0xFFFF, &untouched), kResultNoSuchEntry);
  EXPECT_EQ(untouched.cartridge_id, 777);

  ASSERT_EQ(ClearSampleLog(rig.c()), 0);
  EXPECT_EQ(GetSampleLogEntry(rig.c(), 0, &untouched), kResultNoSuchEntry);
}

TEST(SimRuns, StopRunCancelsTheSampleAndLetsGo) {
  SimRig rig;
  ASSERT_EQ(StartRun(rig.c(), SampleRun(3, 50, false)), 0);
  for (int s = 0; s < 120 && rig.Status().sampler_state != 8; ++s) rig.server().AdvanceTime(1000);
  rig.server().AdvanceTime(10000);
  ASSERT_EQ(rig.Status().sampler_state, 8);
  // Busy: a second run, a log clear and a cartridge change are refused.
  EXPECT_NE(StartRun(rig.c(), SampleRun(1, 5, false)), 0);
  EXPECT_NE(ClearSampleLog(rig.c()), 0);

  ASSERT_EQ(StopRun(rig.c()), 0);
  EXPECT_EQ(rig.Status().sampler_state, 5);  // disengaging before going idle
  const RunTrace trace = FollowRun(rig, 60);
  EXPECT_EQ(trace.states.back(), kIdle);
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), 0);
  EXPECT_EQ(entry.stop_reason, 1);  // cancelled
  EXPECT_EQ(entry.treatment, 1);    // incomplete sample
  EXPECT_GT(entry.volume, 0.0F);
  EXPECT_EQ(GetSampleLogEntry(rig.c(), 1, &entry), kResultNoSuchEntry);
}

TEST(SimRuns, ATimeoutEndsTheSampleWithAnErrorFlag) {
  SimRig rig;
  RunRequest r = SampleRun(1, 255, false);  // 25.5 litres cannot pass in one minute
  r.timeout_minutes = 1;
  ASSERT_EQ(StartRun(rig.c(), r), 0);
  FollowRun(rig);
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), 0);
  EXPECT_EQ(entry.stop_reason, 5);
  EXPECT_EQ(entry.treatment, 6);  // stabilized incomplete sample
  EXPECT_NEAR(entry.duration, 60u, 1u);
  EXPECT_NE(rig.Status().error_flag, 0);
}

TEST(SimRuns, LoadUnloadAndPrimeMoveCartridgesOn) {
  SimRig rig;
  RunRequest load = SampleRun(2, 0, true);
  load.run_mode = kRunModeLoadUnload;
  ASSERT_EQ(StartRun(rig.c(), load), 0);
  EXPECT_EQ(FollowRun(rig).states, (std::vector<std::uint8_t>{3, 2}));
  EXPECT_EQ(rig.Status().cartridge_id, 3);
  SampleLogEntry entry;
  EXPECT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), kResultNoSuchEntry);

  RunRequest prime = SampleRun(1, 0, true);  // volume and cleaning play no part in priming
  prime.run_mode = kRunModePrime;
  ASSERT_EQ(StartRun(rig.c(), prime), 0);
  EXPECT_EQ(FollowRun(rig).states, (std::vector<std::uint8_t>{3, 4, 8, 5, 2}));
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), 0);
  EXPECT_EQ(entry.cartridge_id, 3);
  EXPECT_EQ(entry.treatment, 5);  // primed
  EXPECT_EQ(entry.stop_reason, 6);

  RunRequest bad = prime;
  bad.run_mode = 7;
  EXPECT_NE(StartRun(rig.c(), bad), 0);
}

TEST(SimRuns, ScheduleTakesControlRunsItsWaypointAndHandsBack) {
  SimRig rig;
  ScheduleRecord schedule;
  schedule.rows[0] = {kScheduleRowInUse, 1, 3, 5, 2};  // one 0.3 l sample after 2 minutes
  ASSERT_EQ(SetSchedule(rig.c(), schedule), 0);
  ScheduleRecord back;
  ASSERT_EQ(GetSchedule(rig.c(), &back), 0);
  EXPECT_EQ(back.rows[0].offset_minutes, 2);
  EXPECT_EQ(back.rows[0].volume_tenths, 3);

  ASSERT_EQ(StartSchedule(rig.c()), 0);
  SystemStatus status = rig.Status();
  EXPECT_EQ(status.control_source, kControlSourceSchedule);
  EXPECT_EQ(status.sampler_state, kIdle);
  EXPECT_EQ(status.waypoint_index, 0);
  EXPECT_EQ(status.next_event_time, status.clock + 120);
  EXPECT_NE(StartRun(rig.c(), SampleRun(1, 5, false)), 0);  // the schedule is in charge

  rig.server().AdvanceTime(121000);
  status = rig.Status();
  EXPECT_EQ(status.sampler_state, 3);
  EXPECT_EQ(status.waypoint_index, 1);
  EXPECT_EQ(status.next_event_time, 0u);

  FollowRun(rig);
  status = rig.Status();
  EXPECT_EQ(status.control_source, kControlSourceSchedule);  // done, but still in control
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0, &entry), 0);
  EXPECT_EQ(entry.stop_reason, 6);

  ASSERT_EQ(StopSchedule(rig.c()), 0);
  EXPECT_NE(rig.Status().control_source, kControlSourceSchedule);
  EXPECT_EQ(StartRun(rig.c(), SampleRun(0, 5, false)), 0);
}

TEST(SimRuns, StopScheduleCancelsTheWaypointRunning) {
  SimRig rig;
  ScheduleRecord schedule;
  schedule.rows[0] = {kScheduleRowInUse, 2, 20, 5, 0};
  ASSERT_EQ(SetSchedule(rig.c(), schedule), 0);
  ASSERT_EQ(StartSchedule(rig.c()), 0);
  rig.server().AdvanceTime(20000);
  ASSERT_GT(rig.Status().sampler_state, kIdle);
  ASSERT_EQ(StopSchedule(rig.c()), 0);
  EXPECT_EQ(FollowRun(rig, 60).states.back(), kIdle);
  EXPECT_NE(rig.Status().control_source, kControlSourceSchedule);
}

TEST(SimRuns, UnpoweredRefusesRunsButAnswersStatus) {
  InstrumentOptions options;
  options.powered = false;
  SimRig rig(options);
  const SystemStatus status = rig.Status();
  EXPECT_EQ(status.sampler_state, static_cast<std::uint8_t>(SamplerState::kUnpowered));
  EXPECT_LT(status.supply_voltage, 1.0F);
  EXPECT_NE(StartRun(rig.c(), SampleRun(1, 5, false)), 0);
  EXPECT_NE(StartSchedule(rig.c()), 0);
  EXPECT_NE(StartSensors(rig.c()), 0);
  EXPECT_EQ(StopRun(rig.c()), 0);

  rig.server().WithInstrument([](Instrument& in) { SetSupplyPowered(in, true); });
  EXPECT_EQ(rig.Status().sampler_state, kIdle);
  EXPECT_EQ(StartRun(rig.c(), SampleRun(1, 5, false)), 0);
}

TEST(SimRuns, CleaningStepsOfNoLengthAreSkippedNotRunForever) {
  SimRig rig;
  ASSERT_EQ(SetCleaningConfig(rig.c(), CleaningConfig{}), 0);  // every time 0
  ASSERT_EQ(StartRun(rig.c(), SampleRun(1, 2, true)), 0);
  EXPECT_EQ(FollowRun(rig, 600).states.back(), kIdle);
}

TEST(SimRuns, AFullLogTakesNoMoreEntriesAndKeepsItsOldOnes) {
  SimRig rig;
  rig.server().WithInstrument([](Instrument& in) {
    SampleLogEntry old;
    old.cartridge_id = 7;
    old.stop_reason = 6;
    in.sample_log.assign(65536, old);
  });
  RunRequest prime = SampleRun(1, 0, false);
  prime.run_mode = kRunModePrime;
  ASSERT_EQ(StartRun(rig.c(), prime), 0);
  EXPECT_EQ(FollowRun(rig).states.back(), kIdle);
  SampleLogEntry last;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 0xFFFF, &last), 0);
  EXPECT_EQ(last.cartridge_id, 7);
  EXPECT_EQ(last.stop_reason, 6);
  EXPECT_EQ(rig.server().WithInstrument([](Instrument& in) { return in.sample_log.size(); }),
            65536u);
}

TEST(SimRuns, CartridgeIdKeepsTheOtherBytes) {
  SimRig rig;
  CartridgeRecord record;
  ASSERT_EQ(GetCartridgeId(rig.c(), &record), 0);
  EXPECT_EQ(record.cartridge_id, 1);
  record.cartridge_id = 42;
  record.unused4[5] = 0x5A;
  ASSERT_EQ(SetCartridgeId(rig.c(), record), 0);
  CartridgeRecord back;
  ASSERT_EQ(GetCartridgeId(rig.c(), &back), 0);
  EXPECT_EQ(back.cartridge_id, 42);
  EXPECT_EQ(back.unused0, record.unused0);
  EXPECT_EQ(back.unused4, record.unused4);
  EXPECT_EQ(rig.Status().cartridge_id, 42);
}

TEST(SimRuns, CleaningConfigurationIsKept) {
  SimRig rig;
  CleaningConfig config;
  config.stabilisation_time = 70;
  config.clean_through_cartridge = 1;
  config.bleach_speed = 100;
  config.bleach_time = 10;
  config.dwell_time = 20;
  config.flush_time = 30;
  ASSERT_EQ(SetCleaningConfig(rig.c(), config), 0);
  CleaningConfig back;
  ASSERT_EQ(GetCleaningConfig(rig.c(), &back), 0);
  EXPECT_EQ(back.stabilisation_time, 70);
  EXPECT_EQ(back.clean_through_cartridge, 1);
  EXPECT_EQ(back.bleach_speed, 100);
  EXPECT_EQ(back.flush_time, 30);

  // Cleaning through a cartridge uses one up and logs it as bleached.
  ASSERT_EQ(StartRun(rig.c(), SampleRun(1, 2, true)), 0);
  FollowRun(rig);
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.c(), 1, &entry), 0);
  EXPECT_EQ(entry.treatment, 4);
  EXPECT_EQ(entry.cartridge_id, 2);
  EXPECT_GT(entry.volume, 0.0F);
  EXPECT_EQ(rig.Status().cartridge_id, 3);
}

}  // namespace
}  // namespace tq::sim::test
