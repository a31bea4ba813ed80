// Power-up, the firmware's tick and the status it reports.
#include "sim/instrument.h"

#include <algorithm>

#include "sim/diagnostic_log.h"
#include "sim/physics.h"
#include "sim/run_machine.h"
#include "sim/schedule_runner.h"

namespace tq::sim {
namespace {

constexpr std::uint64_t kReportPeriodMs = 60000;

constexpr LogSite kSiteReset{kTaskMain, "main", 57};
constexpr LogSite kSiteResetCause{kTaskMain, "report_reset_cause", 212};
constexpr LogSite kSiteVersion{kTaskMain, "main", 63};
constexpr LogSite kSiteHumidityRetry{kTaskHousekeeping, "hih_read", 94};
constexpr LogSite kSiteHumidityOk{kTaskHousekeeping, "hih_read", 101};
constexpr LogSite kSiteReport{kTaskSensors, "sensors_report", 330};
constexpr LogSite kSiteSupply{kTaskHousekeeping, "power_monitor", 148};
constexpr LogSite kSiteSupplyBack{kTaskHousekeeping, "power_monitor", 156};

MotorConfig DefaultMotor(std::uint8_t id) {
  MotorConfig m;
  m.unused0 = id;  // the firmware keeps the motor id in front of its configuration
  switch (id) {
    case kMotorCartridgeLoad:
      m.autostop_sensor = kAutostopHall1;
      m.engaged_hall = 3300;
      m.disengaged_hall = 700;
      m.speed = 70;
      break;
    case kMotorSampleEngage:
      m.autostop_sensor = kAutostopHall2;
      m.engaged_hall = 3000;
      m.disengaged_hall = 900;
      m.speed = 60;
      break;
    case kMotorStabilizerEngage:
      m.direction = kDirectionReverse;
      m.autostop_sensor = kAutostopHall3;
      m.engaged_hall = 2900;
      m.disengaged_hall = 1000;
      m.speed = 60;
      break;
    case kMotorSamplePump:
      m.autostop_sensor = kAutostopFlow;
      m.second_autostop_sensor = kAutostopPressure;
      m.max_pressure = 4;
      m.overpressure_timeout = 30;
      m.speed = 80;
      break;
    default:
      m.second_autostop_sensor = kAutostopPressure;
      m.max_pressure = 3;
      m.overpressure_timeout = 20;
      m.speed = 50;
      break;
  }
  return m;
}

void Tick(Instrument& instrument) {
  instrument.uptime_ms += kTickMs;
  instrument.clock_ms += static_cast<std::int64_t>(kTickMs);
  StepPhysics(instrument, kTickMs);
  StepRun(instrument, kTickMs);
  StepSchedule(instrument);
  if (instrument.uptime_ms >= instrument.next_report_ms) {
    instrument.next_report_ms = instrument.uptime_ms + kReportPeriodMs;
    LogEvent(instrument, kSiteReport, kSeverityDebug,
             Printf("Supply %.2f V, board %.1f C, RH %.1f%%", instrument.env.supply_volts,
                    instrument.env.temperature, instrument.env.humidity));
  }
}

void LogPowerUp(Instrument& instrument) {
  LogEvent(instrument, kSiteReset, kSeverityInformation, "Restarted after reset");
  LogEvent(instrument, kSiteResetCause, kSeverityDebug,
           "Reset cause: power-on (RCC_CSR=0x0C000000)");
  LogEvent(instrument, kSiteVersion, kSeverityInformation,
           Printf("Firmware %s, device type %u", instrument.firmware_version.c_str(),
                  instrument.device_type));
  // The humidity sensor needs longer than the board to come up after power-on.
  LogEvent(instrument, kSiteHumidityRetry, kSeverityError, "Humidity sensor not answering, retry");
  LogEvent(instrument, kSiteHumidityOk, kSeverityInformation, "Humidity sensor ready");
  if (!instrument.powered) {
    LogEvent(instrument, kSiteSupply, kSeverityError,
             Printf("Sampler supply missing (%.2f V)", instrument.env.supply_volts));
  }
}

}  // namespace

Instrument CreateInstrument(const InstrumentOptions& options) {
  Instrument instrument;
  instrument.rng.state = options.seed;
  instrument.clock_ms = std::max<std::int64_t>(options.clock, 0) * 1000;

  instrument.old_firmware = options.old_firmware;
  instrument.identity.format = options.old_firmware ? 1 : kIdentityFormat;
  SetFieldText(instrument.identity.name, options.name);
  instrument.identity.serial_number = options.serial_number;
  instrument.identity.unused26 = {0x03, 0x01, 0x00};  // board revision bytes
  instrument.device_type = options.device_type;
  instrument.firmware_version = options.old_firmware ? "1.9.4-sim" : "3.2.0-sim";
  instrument.motor_speed_limit = std::min<std::uint16_t>(options.motor_speed_limit, 100);

  instrument.powered = options.powered;
  instrument.cartridge.unused0 = {0x01, 0x00};
  instrument.cartridge.cartridge_id = 1;
  for (std::size_t i = 0; i < instrument.motors.size(); ++i) {
    instrument.motors[i] = DefaultMotor(static_cast<std::uint8_t>(i + 1));
  }
  for (std::size_t i = 0; i < instrument.env.hall.size(); ++i) {
    instrument.env.hall[i] = instrument.motors[i].disengaged_hall;
  }
  instrument.env.supply_volts = options.powered ? 12.4 : 0.17;
  instrument.env.temperature = 26.5;
  instrument.env.humidity = 41.5;

  EncodeFlowMeterConfig(FactoryFlowMeterConfig(), instrument.flow_block);
  EncodePressureCalibration(FactoryPressureCalibration(), instrument.pressure_block);
  CleaningConfig cleaning;
  cleaning.stabilisation_time = 30;
  cleaning.bleach_speed = 60;
  cleaning.bleach_time = 60;
  cleaning.dwell_time = 120;
  cleaning.flush_time = 60;
  EncodeCleaningConfig(cleaning, instrument.cleaning);

  instrument.tasks = DefaultTasks(instrument.rng);
  instrument.next_report_ms = kReportPeriodMs;
  LogPowerUp(instrument);
  return instrument;
}

void AdvanceInstrument(Instrument& instrument, std::uint64_t ms) {
  instrument.pending_ms += ms;
  while (instrument.pending_ms >= kTickMs) {
    instrument.pending_ms -= kTickMs;
    Tick(instrument);
  }
}

void SetSupplyPowered(Instrument& instrument, bool powered) {
  if (instrument.powered == powered) return;
  instrument.powered = powered;
  if (!powered) {
    AbortRun(instrument);
    StopMotion(instrument);
    instrument.sensors_on = false;
    instrument.env.supply_volts = 0.17;
    LogEvent(instrument, kSiteSupply, kSeverityError, "Sampler supply lost");
  } else {
    instrument.env.supply_volts = 12.4;
    LogEvent(instrument, kSiteSupplyBack, kSeverityInformation, "Sampler supply restored");
  }
}

std::uint8_t SamplerStateOf(const Instrument& instrument) {
  if (!instrument.powered) return static_cast<std::uint8_t>(SamplerState::kUnpowered);
  if (!instrument.run.active) return static_cast<std::uint8_t>(SamplerState::kIdle);
  return SamplerStateOfPhase(instrument.run.phase);
}

SystemStatus StatusOf(const Instrument& instrument) {
  SystemStatus status;
  status.sampler_state = SamplerStateOf(instrument);
  status.control_source = instrument.schedule_run.active ? kControlSourceSchedule : 0;
  status.error_flag = instrument.error_flag;
  status.supply_voltage = static_cast<float>(instrument.env.supply_volts);
  status.board_temperature = static_cast<float>(instrument.env.temperature);
  status.board_humidity = static_cast<float>(instrument.env.humidity);
  status.flow_volume = instrument.flow_volume;
  status.max_pressure = instrument.max_pressure;
  status.clock = ClockSeconds(instrument);
  status.next_event_time = NextEventTime(instrument);
  if (instrument.schedule_run.active) {
    status.waypoint_index =
        static_cast<std::uint8_t>(std::min<std::size_t>(instrument.schedule_run.next, 255));
  }
  status.cartridge_id = instrument.cartridge.cartridge_id;
  return status;
}

std::uint32_t ClockSeconds(const Instrument& instrument) {
  const std::int64_t seconds = instrument.clock_ms / 1000;
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, 0xFFFFFFFF));
}

MotorConfig& MotorConfigOf(Instrument& instrument, std::uint8_t motor_id) {
  return instrument.motors[std::clamp<std::size_t>(motor_id, 1, instrument.motors.size()) - 1];
}

const MotorConfig& MotorConfigOf(const Instrument& instrument, std::uint8_t motor_id) {
  return instrument.motors[std::clamp<std::size_t>(motor_id, 1, instrument.motors.size()) - 1];
}

}  // namespace tq::sim
