// The scenarios.
#include "sim/scenario.h"

#include <algorithm>

#include "sim/run_machine.h"
#include "sim/schedule_runner.h"

namespace tq::sim {
namespace {

constexpr ScenarioInfo kScenarios[] = {
    {"fresh", "just powered up: idle, manual control, empty sample log"},
    {"log500", "a sample log already holding 500 entries from earlier deployments"},
    {"log5000", "a sample log already holding 5000 entries, years of deployments"},
    {"unpowered", "no sampler supply: state unpowered, runs and motors refused"},
    {"schedule", "a three-waypoint schedule in control, the first waypoint 5 minutes away"},
    {"running", "a Sample run of 3 cartridges under way, pumping the first one"},
    {"planned", "a four-waypoint schedule stored for 06:00 the next day, not started"},
};

// The first past sample, 01/05/2026 00:00:00. Entry times count from here, not from the
// clock at start-up, so every start of a scenario holds the same log and a second
// collection of it finds nothing new; the clock itself still starts from now.
constexpr std::uint32_t kLogOrigin = 1777593600;

// Past samples, one every three hours or so: mostly complete and stabilised, with the
// failures a season brings.
void FillSampleLog(Instrument& in, std::size_t count) {
  SimRng& rng = in.rng;
  constexpr double kVolumes[] = {1.0, 2.0, 2.5, 5.0};
  for (std::size_t i = 0; i < count; ++i) {
    SampleLogEntry e;
    e.cartridge_id = static_cast<std::uint16_t>(in.cartridge.cartridge_id + i);
    e.start_time = kLogOrigin + static_cast<std::uint32_t>(i) * 3 * 3600 + rng.Between(0, 600);
    const double target = kVolumes[rng.Between(0, 3)];
    double litres = target + rng.Uniform(0.0, 0.02);
    e.treatment = 3;
    e.stop_reason = 6;
    const std::uint32_t roll = rng.Between(0, 99);
    if (roll < 8) {
      litres = target * rng.Uniform(0.3, 0.9);
      e.treatment = 6;
      e.stop_reason = 5;
    } else if (roll < 12) {
      litres = target * rng.Uniform(0.5, 0.95);
      e.treatment = 6;
      e.stop_reason = 4;
    } else if (roll < 15) {
      litres = 0.2;
      e.treatment = 5;
    } else if (roll < 17) {
      litres = rng.Uniform(0.5, 1.0);
      e.treatment = 4;
    } else if (roll < 19) {
      litres = 0;
      e.treatment = 0;
      e.stop_reason = 7;
    } else if (roll < 20) {
      litres = target * rng.Uniform(0.1, 0.6);
      e.treatment = 1;
      e.stop_reason = 1;
    }
    e.volume = static_cast<float>(litres);
    e.duration = static_cast<std::uint32_t>(litres * 60.0) + rng.Between(0, 20);
    e.max_pressure = static_cast<float>(litres > 0 ? 0.3 + 0.15 * litres + rng.Uniform(0, 0.1) : 0);
    if (e.stop_reason == 4) e.max_pressure = static_cast<float>(4.0 + rng.Uniform(0.05, 0.6));
    in.sample_log.push_back(e);
  }
  in.cartridge.cartridge_id = static_cast<std::uint16_t>(in.cartridge.cartridge_id + count);
}

bool StartDemoSchedule(Instrument& in) {
  ScheduleRecord record;
  record.autostart = 0;
  record.rows[0] = {kScheduleRowInUse, 1, 5, 5, 5};
  record.rows[1] = {kScheduleRowInUse | kScheduleRowClean, 2, 10, 10, 60};
  record.rows[2] = {kScheduleRowInUse, 1, 20, 30, 180};
  EncodeScheduleRecord(record, in.schedule);
  return StartScheduleRun(in) == 0;
}

// What a technician leaves before a deployment: Autostart on, the first waypoint at the
// start, cleaning after the last.
void StoreDemoPlan(Instrument& in) {
  constexpr std::uint32_t kDay = 86400;
  ScheduleRecord record;
  record.autostart = 1;
  record.start_time = (ClockSeconds(in) / kDay + 1) * kDay + 6 * 3600;
  record.rows[0] = {kScheduleRowInUse, 2, 25, 30, 0};
  record.rows[1] = {kScheduleRowInUse, 2, 25, 30, 360};
  record.rows[2] = {kScheduleRowInUse, 1, 50, 60, 720};
  record.rows[3] = {kScheduleRowInUse | kScheduleRowClean, 1, 10, 20, 1440};
  EncodeScheduleRecord(record, in.schedule);
}

bool StartDemoRun(Instrument& in) {
  RunRequest request;
  request.run_mode = kRunModeSample;
  request.cartridge_count = 3;
  request.volume_tenths = 25;
  request.timeout_minutes = 10;
  request.clean = 1;
  request.start_time = ClockSeconds(in);
  if (StartRunning(in, request, false) != 0) return false;
  // On into the first cartridge's pumping, with some water through it already.
  for (int i = 0; i < 6000 && in.flow_volume < 0.5F; ++i) AdvanceInstrument(in, kTickMs);
  return in.run.phase == Phase::kPumpSample;
}

}  // namespace

std::span<const ScenarioInfo> Scenarios() { return kScenarios; }

std::optional<Instrument> BuildInstrument(InstrumentOptions options,
                                          std::span<const std::string> scenarios,
                                          std::string* error) {
  const auto fail = [&](std::string why) -> std::optional<Instrument> {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
  };
  for (const std::string& name : scenarios) {
    const bool known = std::any_of(std::begin(kScenarios), std::end(kScenarios),
                                   [&](const ScenarioInfo& s) { return s.name == name; });
    if (!known) return fail("unknown scenario: " + name);
  }
  // Without supply from the start, so power-up reports it as the real firmware does.
  if (std::find(scenarios.begin(), scenarios.end(), "unpowered") != scenarios.end()) {
    options.powered = false;
  }
  Instrument in = CreateInstrument(options);
  for (const std::string& name : scenarios) {
    if (name == "log500") {
      FillSampleLog(in, 500);
    } else if (name == "log5000") {
      FillSampleLog(in, 5000);
    } else if (name == "schedule" && !StartDemoSchedule(in)) {
      return fail("scenario schedule cannot start here");
    } else if (name == "planned") {
      StoreDemoPlan(in);
    } else if (name == "running" && !StartDemoRun(in)) {
      return fail("scenario running cannot start here");
    }
  }
  return in;
}

}  // namespace tq::sim
