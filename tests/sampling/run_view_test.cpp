// The Run view's status texts, run-control enabling and command choices, against the
// documented texts and tables.
#include "sampling/run_view.h"

#include <gtest/gtest.h>

#include <map>

#include "ui/resource.h"

namespace tq {
namespace {

constexpr std::uint32_t kNoon = 1783425000;  // 07/07/2026 11:50:00

SystemStatus status_of(std::uint8_t state, std::uint8_t control = 0) {
  SystemStatus status;
  status.sampler_state = state;
  status.control_source = control;
  status.clock = kNoon;
  status.cartridge_id = 5;
  return status;
}

TEST(RunStatus, IdleManualInstrument) {
  SystemStatus status = status_of(2);
  status.flow_volume = 1.5F;
  status.max_pressure = 2.0F;
  const RunStatusTexts texts = run_status_texts(status);
  EXPECT_EQ(texts.banner, "Top Cartridge: 5");
  EXPECT_EQ(texts.time, "Sampler Clock Time Now: 07/07/2026 11:50");
  EXPECT_EQ(texts.control, "Control: Manual (GUI or vehicle)");
  EXPECT_EQ(texts.waypoint, "Current Schedule Waypoint: not running schedule");
  EXPECT_EQ(texts.state, "Sampler State: Idle");
  EXPECT_EQ(texts.run_status, "Run Status: OK");
  EXPECT_EQ(texts.flow, "Flow volume: 1.500 litre");
  EXPECT_EQ(texts.pressure, "Max pressure: 2.000 bar");
}

TEST(RunStatus, UnpoweredShowsTheClockAndBareLabels) {
  SystemStatus status = status_of(1, kControlSourceSchedule);
  status.error_flag = 1;
  const RunStatusTexts texts = run_status_texts(status);
  EXPECT_EQ(texts.banner, "unpowered");
  EXPECT_EQ(texts.time, "Sampler Clock Time Now: 07/07/2026 11:50");
  EXPECT_EQ(texts.control, "Control:");
  EXPECT_EQ(texts.waypoint, "Current Schedule Waypoint:");
  EXPECT_EQ(texts.state, "Sampler State:");
  EXPECT_EQ(texts.run_status, "Run Status:");
  EXPECT_EQ(texts.flow, "Flow volume:");
  EXPECT_EQ(texts.pressure, "Max pressure:");
}

TEST(RunStatus, ScheduleInControl) {
  SystemStatus idle = status_of(2, kControlSourceSchedule);
  idle.next_event_time = 0;
  idle.waypoint_index = 0;
  EXPECT_EQ(run_status_texts(idle).control, "Control: Schedule (next event: none)");
  EXPECT_EQ(run_status_texts(idle).waypoint, "Next Schedule Waypoint: 1");

  SystemStatus pumping = idle;
  pumping.sampler_state = 8;
  pumping.next_event_time = kNoon + 600;
  EXPECT_EQ(run_status_texts(pumping).control, "Control: Schedule (next event: 07/07/2026 12:00)");
  EXPECT_EQ(run_status_texts(pumping).waypoint, "Current Schedule Waypoint: 0");

  idle.waypoint_index = 255;  // counted past one byte, never wrapped to 0
  EXPECT_EQ(run_status_texts(idle).waypoint, "Next Schedule Waypoint: 256");
}

TEST(RunStatus, EveryStateLine) {
  const std::map<int, std::string> expected = {
      {0, "Sampler State: Unknown"},
      {2, "Sampler State: Idle"},
      {3, "Sampler State: Loading Cartridge"},
      {4, "Sampler State: Engaging Sample ID=5"},
      {5, "Sampler State: Disengaging Sample ID=5"},
      {6, "Sampler State: Engaging Stabilizer ID=4"},
      {7, "Sampler State: Disengaging Stabilizer ID=4"},
      {8, "Sampler State: Pumping Sample ID=5"},
      {9, "Sampler State: Pumping Stabilizer ID=4"},
      {10, "Sampler State: Cleaning"},
      {11, "Sampler State: Unknown"},
      {255, "Sampler State: Unknown"},
  };
  for (const auto& [state, text] : expected) {
    EXPECT_EQ(run_status_texts(status_of(static_cast<std::uint8_t>(state))).state, text) << state;
  }
  // Only state 1 reads as unpowered: state 0 has a banner like any other.
  EXPECT_EQ(run_status_texts(status_of(0)).banner, "Top Cartridge: 5");
}

TEST(RunStatus, StabilizerIdBelowTopCartridgeZeroIsUnsigned) {
  SystemStatus status = status_of(9);
  status.cartridge_id = 0;
  EXPECT_EQ(run_status_texts(status).state, "Sampler State: Pumping Stabilizer ID=4294967295");
  status.cartridge_id = 65535;
  status.sampler_state = 8;
  EXPECT_EQ(run_status_texts(status).state, "Sampler State: Pumping Sample ID=65535");
  EXPECT_EQ(run_status_texts(status).banner, "Top Cartridge: 65535");
}

TEST(RunStatus, TimesAreCutToSixteenCharacters) {
  SystemStatus status = status_of(2);
  status.clock = 0;
  EXPECT_EQ(run_status_texts(status).time, "Sampler Clock Time Now: 01/01/1970 00:00");
  status.clock = 4294924095U;  // invalid: 12 hours and one second before the epoch
  EXPECT_EQ(run_status_texts(status).time, "Sampler Clock Time Now: invalid (4294924");
  status.control_source = kControlSourceSchedule;
  status.next_event_time = 0x80000000U;
  EXPECT_EQ(run_status_texts(status).control, "Control: Schedule (next event: invalid (2147483)");
}

TEST(RunStatus, ErrorsInThePreviousCartridge) {
  SystemStatus status = status_of(2);
  status.error_flag = 7;
  EXPECT_EQ(run_status_texts(status).run_status,
            "Run Status: Errors in previous cartridge: see View/Diagnostics");
}

TEST(RunStatus, FaceNamesEveryLine) {
  const RunStatusTexts texts = run_status_texts(status_of(2));
  const std::vector<ControlText> face = run_status_face(texts);
  ASSERT_EQ(face.size(), 8u);
  EXPECT_EQ(face[0], (ControlText{IDC_STATE_BANNER, texts.banner}));
  EXPECT_EQ(face[4], (ControlText{IDC_STATE_LINE, texts.state}));
  EXPECT_EQ(face[7], (ControlText{IDC_PRESSURE_LINE, texts.pressure}));
}

// One row of the enabling table: mode label, combo, cartridges, volume/timeout/clean,
// Start, Stop, Clear Log, and the running flag.
struct Enabling {
  bool mode_label, mode, cartridges, sample_fields, start, stop, clear, running;
  bool operator==(const Enabling&) const = default;
};

Enabling enabling_of(std::uint8_t mode, std::uint8_t state, std::uint8_t control) {
  const RunControlDecision decision = decide_run_controls({mode, state, control});
  std::map<int, bool> on;
  for (const ControlFlag& flag : decision.enabled) on[flag.id] = flag.on;
  EXPECT_EQ(on.size(), 12u);
  // Labels go with their controls.
  EXPECT_EQ(on[IDC_CARTRIDGES_LABEL], on[IDC_CARTRIDGES]);
  for (const int id : {IDC_VOLUME_LABEL, IDC_VOLUME, IDC_TIMEOUT_LABEL, IDC_TIMEOUT}) {
    EXPECT_EQ(on[id], on[IDC_CLEAN]) << id;
  }
  return {on[IDC_MODE_LABEL], on[IDC_MODE], on[IDC_CARTRIDGES], on[IDC_CLEAN],
          on[IDC_START],      on[IDC_STOP], on[IDC_CLEAR_LOG],  decision.running};
}

TEST(RunControls, EnablingFollowsTheInstrumentAndTheMode) {
  struct Case {
    const char* name;
    std::uint8_t mode, state, control;
    Enabling expected;
  };
  constexpr std::uint8_t kSchedule = kControlSourceSchedule;
  const Case cases[] = {
      {"all zeros", 0, 0, 0, {false, false, false, false, false, false, false, false}},
      {"idle manual, Load/Unload", 0, 2, 0, {true, true, true, false, true, false, true, false}},
      {"idle manual, Sample", 1, 2, 0, {true, true, true, true, true, false, true, false}},
      {"idle manual, Prime", 2, 2, 0, {true, true, true, false, true, false, true, false}},
      {"idle manual, Schedule", 255, 2, 0, {true, true, false, false, true, false, true, false}},
      {"unpowered manual, Sample", 1, 1, 0, {false, true, true, true, false, false, true, false}},
      {"unpowered under schedule",
       1,
       1,
       kSchedule,
       {false, false, false, false, false, true, false, true}},
      {"idle under schedule",
       1,
       2,
       kSchedule,
       {false, false, false, false, false, true, false, true}},
      {"pumping manual, Sample", 1, 8, 0, {false, false, false, false, false, true, false, true}},
      {"loading manual", 0, 3, 0, {false, false, false, false, false, true, false, true}},
      {"unknown state 11", 1, 11, 0, {false, false, false, false, false, true, false, true}},
      {"control source 1 is manual", 1, 2, 1, {true, true, true, true, true, false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(enabling_of(c.mode, c.state, c.control), c.expected);
  }
}

TEST(RunControls, EnablingListsTheControlsInTemplateOrder) {
  const RunControlDecision decision = decide_run_controls({});
  ASSERT_EQ(decision.enabled.size(), 12u);
  EXPECT_EQ(decision.enabled.front().id, IDC_MODE_LABEL);
  EXPECT_EQ(decision.enabled.back().id, IDC_CLEAR_LOG);
}

TEST(RunCommands, StopFollowsTheControlSource) {
  EXPECT_TRUE(stop_stops_schedule(kControlSourceSchedule));
  EXPECT_FALSE(stop_stops_schedule(0));
  EXPECT_FALSE(stop_stops_schedule(254));
}

TEST(RunCommands, DoubleClickOpensResetOnTheBannerWhileNotBusy) {
  const ViewRect banner{56, 23, 300, 67};
  for (const int state : {0, 1, 2}) {
    EXPECT_TRUE(double_click_opens_reset(56, 23, banner, static_cast<std::uint8_t>(state)))
        << state;
    EXPECT_TRUE(double_click_opens_reset(299, 66, banner, static_cast<std::uint8_t>(state)))
        << state;
  }
  for (const int state : {3, 8, 10, 255}) {
    EXPECT_FALSE(double_click_opens_reset(100, 40, banner, static_cast<std::uint8_t>(state)))
        << state;
  }
  // The right and bottom edges are outside.
  EXPECT_FALSE(double_click_opens_reset(300, 40, banner, 2));
  EXPECT_FALSE(double_click_opens_reset(100, 67, banner, 2));
  EXPECT_FALSE(double_click_opens_reset(55, 40, banner, 2));
  EXPECT_FALSE(double_click_opens_reset(-100, -3, banner, 2));
}

}  // namespace
}  // namespace tq
