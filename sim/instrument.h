// The simulated instrument's firmware state: a plain record of everything the firmware
// keeps, the power-up that fills it, and the clock that moves it on. Requests are answered
// by Respond (sim/responder.h); nothing here touches a serial line or the wall clock, so a
// test that feeds requests and advances time gets the same answers every time for a seed.
//
// Threads: an Instrument is not shared by itself; SimServer guards its one with a mutex.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "sim/rng.h"

namespace tq::sim {

// Result bytes the firmware answers with besides 0.
inline constexpr std::uint8_t kDeviceUnknownCommand = 1;
inline constexpr std::uint8_t kDeviceBadArgument = 2;
inline constexpr std::uint8_t kDeviceBusy = 3;       // a run or the schedule is in charge
inline constexpr std::uint8_t kDeviceUnpowered = 4;  // the sampler supply is off
inline constexpr std::uint8_t kDeviceNotReady = 5;   // sensors not started
inline constexpr std::uint8_t kDeviceFormatRefused = 8;
inline constexpr std::uint8_t kDeviceNoEntry = 9;

inline constexpr std::uint16_t kSimulatorDeviceType = 42;
inline constexpr std::int64_t kDefaultClock = 1783418400;  // 07/07/2026 10:00:00
inline constexpr std::uint64_t kTickMs = 100;              // the firmware's control period

struct InstrumentOptions {
  std::uint64_t seed = 1;
  std::string name = "Simulated Sampler";
  std::uint16_t serial_number = 1001;
  std::uint16_t device_type = kSimulatorDeviceType;
  // Firmware from before identity format 2: SetIdentity answers 8.
  bool old_firmware = false;
  std::int64_t clock = kDefaultClock;  // instrument clock at power-up, seconds since 1970
  bool powered = true;                 // sampler supply present
  // SetMotorConfig stores at most this speed; below 100 a save's read-back differs.
  std::uint16_t motor_speed_limit = 100;
};

// Where a run is; each busy phase shows as one SamplerState.
enum class Phase : std::uint8_t {
  kIdle,
  kLoad,
  kEngageSample,
  kPumpSample,
  kDisengageSample,
  kEngageStabilizer,
  kPumpStabilizer,
  kDisengageStabilizer,
  kClean,
};

enum class MotionKind : std::uint8_t { kNone, kManual, kEngage, kDisengage, kPump };
enum class MotionEnd : std::uint8_t { kMoving, kReached, kTimedOut };

// The one motor that moves at a time, started by a motor command or by a run.
struct Motion {
  MotionKind kind = MotionKind::kNone;
  std::uint8_t motor = 0;
  std::uint8_t direction = kDirectionForwards;  // manual runs
  std::uint16_t speed = 0;                      // percent of maximum
  std::uint16_t target_hall = 0;                // engage and disengage
  double target_litres = 0;                     // pumping; 0 = no volume limit
  std::uint64_t limit_ms = 0;                   // 0 = no time limit
  std::uint64_t elapsed_ms = 0;
  double pumped_litres = 0;  // true volume through the pump
  MotionEnd end = MotionEnd::kMoving;
};

struct Run {
  bool active = false;
  bool cancelling = false;
  bool from_schedule = false;
  RunRequest request;
  std::uint8_t cartridges_done = 0;
  Phase phase = Phase::kIdle;
  std::uint8_t step = 0;  // sub-step of a phase (loading moves out and back)
  std::uint64_t phase_ms = 0;
  std::uint64_t step_until_ms = 0;   // end of a timed sub-step (cleaning's dwell)
  double litres_before_step = 0;     // cleaning: water pumped in its earlier steps
  std::optional<std::size_t> entry;  // sample log entry of the cartridge being worked on
  std::uint64_t over_pressure_ms = 0;
  bool cartridge_error = false;
};

struct ScheduleRun {
  bool active = false;
  std::uint32_t start = 0;               // seconds since 1970
  std::vector<ScheduleEntry> waypoints;  // rows in use, by start offset
  std::size_t next = 0;                  // waypoints started so far
};

struct Task {
  std::string name;
  std::uint32_t stack_start = 0;
  std::uint32_t stack_end = 0;
  std::uint32_t stack_top = 0;  // lowest address the stack has reached
  std::uint8_t log_filters = 0;
};

struct DiagnosticLog {
  std::deque<DiagnosticLogEntry> entries;
  std::size_t cursor = 0;  // index of the entry the next read returns
  std::int32_t next_counter = 1;
};

// Physical quantities the sensors see.
struct Environment {
  double supply_volts = 0;
  double temperature = 0;
  double humidity = 0;
  double pressure_bar = 0;       // true pressure at the sensor
  std::array<double, 3> hall{};  // Hall sensors 1..3, converter counts
};

struct Instrument {
  SimRng rng;
  std::uint64_t uptime_ms = 0;
  std::uint64_t pending_ms = 0;  // time not yet spent in a whole tick
  std::int64_t clock_ms = 0;     // instrument clock, milliseconds since 1970

  IdentityRecord identity;
  std::uint16_t device_type = 0;
  std::string firmware_version;
  bool old_firmware = false;
  std::uint16_t motor_speed_limit = 100;

  bool powered = true;
  bool led_on = false;
  bool sensors_on = false;
  std::uint8_t error_flag = 0;
  float flow_volume = 0;   // of the current or last sample, litres
  float max_pressure = 0;  // of the current or last sample, bar
  CartridgeRecord cartridge;

  std::array<MotorConfig, 5> motors{};  // motor ids 1..5
  Motion motion;
  Environment env;

  std::array<std::uint8_t, kFlowMeterConfigSize> flow_block{};
  std::array<std::uint8_t, kPressureCalibrationSize> pressure_block{};
  std::array<std::uint8_t, kCleaningConfigSize> cleaning{};
  std::array<std::uint8_t, kScheduleRecordSize> schedule{};

  std::vector<SampleLogEntry> sample_log;
  DiagnosticLog diagnostic_log;
  std::vector<Task> tasks;  // index 0 is the interrupt context, not a task

  Run run;
  ScheduleRun schedule_run;
  std::uint64_t next_report_ms = 0;
};

// The instrument just after power-up (with its "Restarted after reset" log entry).
[[nodiscard]] Instrument CreateInstrument(const InstrumentOptions& options);

// Moves the firmware on by `ms` of instrument time, in whole ticks.
void AdvanceInstrument(Instrument& instrument, std::uint64_t ms);

// Switches the sampler supply; losing it stops whatever runs.
void SetSupplyPowered(Instrument& instrument, bool powered);

[[nodiscard]] std::uint8_t SamplerStateOf(const Instrument& instrument);
[[nodiscard]] SystemStatus StatusOf(const Instrument& instrument);
[[nodiscard]] std::uint32_t ClockSeconds(const Instrument& instrument);
[[nodiscard]] MotorConfig& MotorConfigOf(Instrument& instrument, std::uint8_t motor_id);
[[nodiscard]] const MotorConfig& MotorConfigOf(const Instrument& instrument, std::uint8_t motor_id);

}  // namespace tq::sim
