// Motor motion, pumps, sensors and the board environment.
#include "sim/physics.h"

#include <algorithm>
#include <cmath>

#include "sim/diagnostic_log.h"

namespace tq::sim {
namespace {

// The pressure sensor fitted: 0.5 V at 0 bar, 0.4 V per bar, read differentially against
// a reference channel by a 12-bit converter over 5 V.
constexpr double kSensorVoltsAtZero = 0.5;
constexpr double kSensorVoltsPerBar = 0.4;
constexpr double kCountsPerVolt = 4096.0 / 5.0;
constexpr double kReferenceCounts = 205;

constexpr double kHallCountsPerMsAtFullSpeed = 0.8;
constexpr double kSamplePumpLitresPerMinute = 1.25;  // at full speed
constexpr double kStabilizerPumpLitresPerMinute = 0.25;

constexpr LogSite kSiteMotorStart{kTaskMotors, "motor_start", 214};
constexpr LogSite kSiteMotorReached{kTaskMotors, "motor_autostop", 288};
constexpr LogSite kSiteMotorTimeout{kTaskMotors, "motor_watchdog", 341};
constexpr LogSite kSiteMotorStop{kTaskMotors, "motor_stop", 247};

bool IsPump(std::uint8_t motor) {
  return motor == kMotorSamplePump || motor == kMotorStabilizerPump;
}

double PumpLitresPerMs(std::uint8_t motor, std::uint16_t speed) {
  const double full =
      motor == kMotorSamplePump ? kSamplePumpLitresPerMinute : kStabilizerPumpLitresPerMinute;
  return full * std::min<double>(speed, 100) / 100.0 / 60000.0;
}

double Clamp(double v, double low, double high) { return std::max(low, std::min(high, v)); }

// One step of a value toward a target, never past it.
double MoveToward(double value, double target, double step) {
  if (value < target) return std::min(target, value + step);
  return std::max(target, value - step);
}

void StepMotor(Instrument& instrument, std::uint64_t dt_ms) {
  Motion& m = instrument.motion;
  if (m.kind == MotionKind::kNone || m.end != MotionEnd::kMoving) return;
  m.elapsed_ms += dt_ms;
  const auto dt = static_cast<double>(dt_ms);
  if (IsPump(m.motor)) {
    const double noise = 1.0 + instrument.rng.Uniform(-0.01, 0.01);
    m.pumped_litres += PumpLitresPerMs(m.motor, m.speed) * dt * noise;
    const MotorConfig& config = MotorConfigOf(instrument, m.motor);
    if (m.target_litres > 0) {
      // The sample pump stops on its flow meter when so configured; the stabiliser pump
      // has no meter and stops on the volume its speed gives over time.
      const bool by_meter = m.motor == kMotorSamplePump;
      const double done = by_meter ? MeasuredLitres(instrument, m.pumped_litres) : m.pumped_litres;
      const bool watches = !by_meter || config.autostop_sensor == kAutostopFlow;
      if (watches && done >= m.target_litres) m.end = MotionEnd::kReached;
    }
  } else if (m.motor >= 1 && m.motor <= 3) {
    double& own = instrument.env.hall[m.motor - 1];
    const double step = kHallCountsPerMsAtFullSpeed * std::min<double>(m.speed, 100) / 100.0 * dt;
    const MotorConfig& config = MotorConfigOf(instrument, m.motor);
    if (m.kind == MotionKind::kManual) {
      // No autostop: the mechanism runs on to its end stop.
      const bool rising = config.engaged_hall >= config.disengaged_hall;
      const bool toward_engaged = m.direction == kDirectionForwards;
      own = MoveToward(own, rising == toward_engaged ? 4095.0 : 0.0, step);
    } else {
      own = MoveToward(own, m.target_hall, step);
      const std::uint8_t watched = config.autostop_sensor;
      if (watched >= kAutostopHall1 && watched <= kAutostopHall3) {
        const double seen = instrument.env.hall[watched - 1];
        if (std::fabs(seen - m.target_hall) <= kHallTolerance) m.end = MotionEnd::kReached;
      } else if (own == m.target_hall) {
        m.end = MotionEnd::kReached;  // no sensor to stop on: runs its full travel
      }
    }
  }
  if (m.end == MotionEnd::kMoving && m.limit_ms != 0 && m.elapsed_ms >= m.limit_ms) {
    m.end = MotionEnd::kTimedOut;
  }
  if (m.end == MotionEnd::kReached) {
    LogEvent(instrument, kSiteMotorReached, kSeverityDebug,
             Printf("Motor %u autostop after %llu ms", m.motor,
                    static_cast<unsigned long long>(m.elapsed_ms)));
  } else if (m.end == MotionEnd::kTimedOut && !IsPump(m.motor)) {
    LogEvent(instrument, kSiteMotorTimeout, kSeverityError,
             Printf("Motor %u did not reach Hall %u within %llu s", m.motor, m.target_hall,
                    static_cast<unsigned long long>(m.limit_ms / 1000)));
  }
}

void StepPressure(Instrument& instrument, std::uint64_t dt_ms) {
  const Motion& m = instrument.motion;
  double target = 0;
  if (m.kind != MotionKind::kNone && m.end == MotionEnd::kMoving) {
    if (m.motor == kMotorSamplePump) {
      // The filter clogs as water goes through it.
      target = 0.3 * std::min<double>(m.speed, 100) / 80.0 + 0.15 * m.pumped_litres;
    } else if (m.motor == kMotorStabilizerPump) {
      target = 0.2 + 0.05 * m.pumped_litres;
    }
  }
  const double rate = std::min(1.0, static_cast<double>(dt_ms) / 1000.0);
  instrument.env.pressure_bar += (target - instrument.env.pressure_bar) * rate;
}

void StepEnvironment(Instrument& instrument, std::uint64_t dt_ms) {
  Environment& env = instrument.env;
  SimRng& rng = instrument.rng;
  const bool moving =
      instrument.motion.kind != MotionKind::kNone && instrument.motion.end == MotionEnd::kMoving;
  const auto dt = static_cast<double>(dt_ms);
  if (instrument.powered) {
    env.supply_volts = 12.4 - (moving ? 0.35 : 0.0) + rng.Uniform(-0.02, 0.02);
  } else {
    env.supply_volts = 0.15 + rng.Uniform(0.0, 0.05);  // leakage through the protection diode
  }
  const double warm = 27.0 + (moving ? 2.5 : 0.0);
  env.temperature += (warm - env.temperature) * dt / 300000.0 + rng.Uniform(-0.003, 0.003);
  env.humidity += (41.5 - env.humidity) * dt / 600000.0 + rng.Uniform(-0.01, 0.01);
  env.humidity = Clamp(env.humidity, 5.0, 95.0);
}

}  // namespace

Motion ManualMotion(std::uint8_t motor, std::uint8_t direction, std::uint16_t speed) {
  Motion m;
  m.kind = MotionKind::kManual;
  m.motor = motor;
  m.direction = direction;
  m.speed = std::min<std::uint16_t>(speed, 100);
  return m;
}

Motion EngageMotion(const Instrument& instrument, std::uint8_t motor, bool engage) {
  const MotorConfig& config = MotorConfigOf(instrument, motor);
  Motion m;
  m.kind = engage ? MotionKind::kEngage : MotionKind::kDisengage;
  m.motor = motor;
  m.speed = config.speed;
  m.target_hall =
      std::min<std::uint16_t>(engage ? config.engaged_hall : config.disengaged_hall, 4095);
  m.limit_ms = kMotionLimitMs;
  return m;
}

Motion PumpMotion(const Instrument& instrument, std::uint8_t motor, double litres,
                  std::uint64_t limit_ms) {
  Motion m;
  m.kind = MotionKind::kPump;
  m.motor = motor;
  m.speed = MotorConfigOf(instrument, motor).speed;
  m.target_litres = litres;
  m.limit_ms = limit_ms;
  return m;
}

void StartMotion(Instrument& instrument, const Motion& motion) {
  instrument.motion = motion;
  instrument.motion.elapsed_ms = 0;
  instrument.motion.pumped_litres = 0;
  instrument.motion.end = MotionEnd::kMoving;
  LogEvent(instrument, kSiteMotorStart, kSeverityDebug,
           Printf("Motor %u start, speed %u%%", motion.motor, motion.speed));
}

void StopMotion(Instrument& instrument) {
  if (instrument.motion.kind != MotionKind::kNone && instrument.motion.end == MotionEnd::kMoving) {
    LogEvent(instrument, kSiteMotorStop, kSeverityDebug,
             Printf("Motor %u stopped", instrument.motion.motor));
  }
  instrument.motion = Motion{};
}

void StepPhysics(Instrument& instrument, std::uint64_t dt_ms) {
  StepMotor(instrument, dt_ms);
  StepPressure(instrument, dt_ms);
  StepEnvironment(instrument, dt_ms);
}

double MeasuredLitres(const Instrument& instrument, double true_litres) {
  FlowMeterConfig config;
  DecodeFlowMeterConfig(instrument.flow_block, config);
  // A factor of 0 counts nothing rather than dividing by zero.
  if (config.pulses_per_litre == 0) return 0;
  return true_litres * kMeterPulsesPerLitre / config.pulses_per_litre;
}

double MeasuredPressure(const Instrument& instrument) {
  PressureCalibration calibration;
  DecodePressureCalibration(instrument.pressure_block, calibration);
  const double volts = kSensorVoltsAtZero + kSensorVoltsPerBar * instrument.env.pressure_bar;
  const double bar = calibration.slope * volts + calibration.offset;
  return std::isfinite(bar) ? bar : 0.0;
}

SensorSample ReadSensors(Instrument& instrument) {
  SimRng& rng = instrument.rng;
  SensorSample sample;
  const double volts = kSensorVoltsAtZero + kSensorVoltsPerBar * instrument.env.pressure_bar;
  const double reference = kReferenceCounts + rng.Uniform(0.0, 1.0);
  const double reading = reference + volts * kCountsPerVolt + rng.Uniform(-1.0, 1.0);
  sample.pressure_b = static_cast<std::uint16_t>(std::lround(Clamp(reference, 0, 4095)));
  sample.pressure_a = static_cast<std::uint16_t>(std::lround(Clamp(reading, 0, 4095)));
  for (std::size_t i = 0; i < sample.hall.size(); ++i) {
    const double noisy = instrument.env.hall[i] + rng.Uniform(-2.0, 2.0);
    sample.hall[i] = static_cast<std::uint16_t>(std::lround(Clamp(noisy, 0, 4095)));
  }
  return sample;
}

PressureCalibration FactoryPressureCalibration() {
  PressureCalibration c;
  c.unused0 = 1;
  c.slope = 1.0 / kSensorVoltsPerBar;
  c.offset = -kSensorVoltsAtZero / kSensorVoltsPerBar;
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    const double bar = 2.0 * static_cast<double>(i);
    c.point_pressure[i] = static_cast<float>(bar);
    c.point_voltage[i] = static_cast<float>(kSensorVoltsAtZero + kSensorVoltsPerBar * bar);
    c.point_in_use[i] = i < 4 ? 1 : 0;
  }
  return c;
}

FlowMeterConfig FactoryFlowMeterConfig() {
  FlowMeterConfig c;
  c.pulses_per_litre = static_cast<std::uint32_t>(kMeterPulsesPerLitre);
  return c;
}

}  // namespace tq::sim
