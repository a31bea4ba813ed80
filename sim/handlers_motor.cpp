// Sensors and motors, as the motor and pressure dialogs drive them.
#include <algorithm>
#include <cmath>

#include "link/commands.h"
#include "sim/diagnostic_log.h"
#include "sim/handlers.h"
#include "sim/physics.h"

namespace tq::sim {
namespace {

constexpr LogSite kSiteSensors{kTaskSensors, "sensors_enable", 61};
constexpr LogSite kSiteMotorConfig{kTaskMotors, "motor_store_config", 402};
constexpr LogSite kSiteExit{kTaskMotors, "motor_exit_manual", 455};

// A pump test asks for at most this many litres; more is taken as a garbled request.
constexpr double kMaxPumpTestLitres = 1000;

bool IsMotor(std::uint8_t id) { return id >= kMotorCartridgeLoad && id <= kMotorStabilizerPump; }
bool IsEngagingMotor(std::uint8_t id) {
  return id >= kMotorCartridgeLoad && id <= kMotorStabilizerEngage;
}
bool IsPumpMotor(std::uint8_t id) { return id == kMotorSamplePump || id == kMotorStabilizerPump; }

// Motors belong to the run while one is going.
std::uint8_t MotorsAvailable(const Instrument& in) {
  if (!in.powered) return kDeviceUnpowered;
  if (in.run.active) return kDeviceBusy;
  return 0;
}

std::uint8_t StartSensorsCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  if (!in.powered) return kDeviceUnpowered;
  if (!in.sensors_on) LogEvent(in, kSiteSensors, kSeverityDebug, "Sensors on");
  in.sensors_on = true;
  return 0;
}

std::uint8_t StopSensorsCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  if (in.sensors_on) LogEvent(in, kSiteSensors, kSeverityDebug, "Sensors off");
  in.sensors_on = false;
  return 0;
}

std::uint8_t GetSensorSampleCmd(Instrument& in, const Request& /*request*/, Reply& reply) {
  if (!in.powered) return kDeviceUnpowered;
  if (!in.sensors_on && !in.run.active) return kDeviceNotReady;
  EncodeSensorSample(ReadSensors(in), reply.Take<kSensorSampleSize>());
  return 0;
}

std::uint8_t GetMotorConfigCmd(const Instrument& in, const Request& request, Reply& reply) {
  const std::uint8_t id = request.payload[0];
  if (!IsMotor(id)) return kDeviceBadArgument;
  if (!in.powered) return kDeviceUnpowered;
  EncodeMotorConfig(MotorConfigOf(in, id), reply.Take<kMotorConfigSize>());
  return 0;
}

std::uint8_t SetMotorConfigCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  const std::uint8_t id = request.payload[0];
  if (!IsMotor(id)) return kDeviceBadArgument;
  if (const std::uint8_t busy = MotorsAvailable(in); busy != 0) return busy;
  MotorConfig config;
  DecodeMotorConfig(request.payload.subspan<1, kMotorConfigSize>(), config);
  const bool known_sensor =
      config.autostop_sensor <= kAutostopHall3 || config.autostop_sensor == kAutostopFlow;
  const bool known_second = config.second_autostop_sensor == kAutostopNone ||
                            config.second_autostop_sensor == kAutostopPressure;
  if (config.direction > kDirectionReverse || !known_sensor || !known_second) {
    return kDeviceBadArgument;
  }
  // The firmware keeps its own id in front and holds every field to what the drive can do.
  config.unused0 = id;
  config.max_pressure = std::min<std::uint8_t>(config.max_pressure, 10);
  config.overpressure_timeout = std::min<std::uint16_t>(config.overpressure_timeout, 3600);
  config.engaged_hall = std::min<std::uint16_t>(config.engaged_hall, 4095);
  config.disengaged_hall = std::min<std::uint16_t>(config.disengaged_hall, 4095);
  config.speed = std::min(config.speed, in.motor_speed_limit);
  MotorConfigOf(in, id) = config;
  LogEvent(in, kSiteMotorConfig, kSeverityInformation,
           Printf("Motor %u configuration saved, speed %u%%", id, config.speed));
  return 0;
}

std::uint8_t RunMotorCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  MotorRunRequest run;
  DecodeMotorRunRequest(request.First<kMotorRunRequestSize>(), run);
  if (!IsMotor(run.motor_id) || run.direction > kDirectionReverse) return kDeviceBadArgument;
  if (const std::uint8_t busy = MotorsAvailable(in); busy != 0) return busy;
  StartMotion(in, ManualMotion(run.motor_id, run.direction, run.speed));
  return 0;
}

std::uint8_t StopMotorCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  if (!in.run.active) StopMotion(in);  // a run's own motors answer only to StopRun
  return 0;
}

std::uint8_t MoveMotor(Instrument& in, const Request& request, bool engage) {
  const std::uint8_t id = request.payload[0];
  if (!IsEngagingMotor(id)) return kDeviceBadArgument;
  if (const std::uint8_t busy = MotorsAvailable(in); busy != 0) return busy;
  StartMotion(in, EngageMotion(in, id, engage));
  return 0;
}

std::uint8_t EngageMotorCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  return MoveMotor(in, request, true);
}

std::uint8_t DisengageMotorCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  return MoveMotor(in, request, false);
}

std::uint8_t PumpVolumeCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  PumpRequest pump;
  DecodePumpRequest(request.First<kPumpRequestSize>(), pump);
  const double litres = pump.volume;
  if (!IsPumpMotor(pump.motor_id) || !std::isfinite(litres) || litres < 0 ||
      litres > kMaxPumpTestLitres) {
    return kDeviceBadArgument;
  }
  if (const std::uint8_t busy = MotorsAvailable(in); busy != 0) return busy;
  StartMotion(in, PumpMotion(in, pump.motor_id, litres, pump.flow_timeout * 1000ULL));
  return 0;
}

std::uint8_t ExitMotorControlCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  if (!in.run.active) {
    StopMotion(in);
    LogEvent(in, kSiteExit, kSeverityDebug, "Manual motor control ended");
  }
  return 0;
}

constexpr CommandEntry kTable[] = {
    Entry(kCmdStartSensors, StartSensorsCmd),
    Entry(kCmdStopSensors, StopSensorsCmd),
    Entry(kCmdGetSensorSample, GetSensorSampleCmd),
    Entry(kCmdGetMotorConfig, ReadOnly<GetMotorConfigCmd>),
    Entry(kCmdSetMotorConfig, SetMotorConfigCmd),
    Entry(kCmdRunMotor, RunMotorCmd),
    Entry(kCmdStopMotor, StopMotorCmd),
    Entry(kCmdEngageMotor, EngageMotorCmd),
    Entry(kCmdDisengageMotor, DisengageMotorCmd),
    Entry(kCmdPumpVolume, PumpVolumeCmd),
    // The byte the program sends (always 0) carries nothing the firmware reads, so a
    // request without it ends manual control as well.
    {kCmdExitMotorControl, 0, ExitMotorControlCmd},
};

}  // namespace

std::span<const CommandEntry> MotorCommandTable() { return kTable; }

}  // namespace tq::sim
