// The sampler's mechanics and sensors: the moving motor, the Hall sensors it drives, the
// pumps with their flow meter and pressure, and the board's supply, temperature and
// humidity. The firmware reads them through its calibration, as the real one does.
#pragma once

#include <cstdint>

#include "sim/instrument.h"

namespace tq::sim {

inline constexpr double kMeterPulsesPerLitre = 4600;    // the flow meter fitted
inline constexpr std::uint64_t kMotionLimitMs = 30000;  // engage or disengage gives up after this
inline constexpr std::uint16_t kHallTolerance = 8;  // counts from the target that count as there

// Motions the firmware starts.
[[nodiscard]] Motion ManualMotion(std::uint8_t motor, std::uint8_t direction, std::uint16_t speed);
[[nodiscard]] Motion EngageMotion(const Instrument& instrument, std::uint8_t motor, bool engage);
// A pump at its configured speed; `litres` 0 pumps until stopped or `limit_ms` passes.
[[nodiscard]] Motion PumpMotion(const Instrument& instrument, std::uint8_t motor, double litres,
                                std::uint64_t limit_ms);

void StartMotion(Instrument& instrument, const Motion& motion);
void StopMotion(Instrument& instrument);

// One tick of mechanics and environment.
void StepPhysics(Instrument& instrument, std::uint64_t dt_ms);

// What the firmware makes of the sensors: litres through the configured flow meter factor,
// bar through the stored pressure calibration.
[[nodiscard]] double MeasuredLitres(const Instrument& instrument, double true_litres);
[[nodiscard]] double MeasuredPressure(const Instrument& instrument);

// One converter reading of every sensor, with a little noise.
[[nodiscard]] SensorSample ReadSensors(Instrument& instrument);

// Factory calibration of the pressure sensor fitted and of the flow meter.
[[nodiscard]] PressureCalibration FactoryPressureCalibration();
[[nodiscard]] FlowMeterConfig FactoryFlowMeterConfig();

}  // namespace tq::sim
