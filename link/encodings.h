// Conversions between the operator's units and the instrument's encodings: volumes in
// tenths of a litre and the pressure sensor voltage.
#pragma once

#include <cstdint>

#include "link/records.h"

namespace tq {

// Largest volume one byte of tenths can carry.
inline constexpr double kMaxVolumeLitres = 25.5;

// Litres to tenths of a litre: value x 10 + 0.01, truncated (the 0.01 keeps 2.3 from
// becoming 22). The entry checks clamp before this; anything still outside the byte is
// clamped here too: below 0 and NaN give 0, above 25.5 litres (infinity included) 255.
[[nodiscard]] std::uint8_t VolumeToTenths(double litres);
[[nodiscard]] double TenthsToLitres(std::uint8_t tenths);

// (reading A - reading B) x 5 / 4096 volts, signed: B above A gives a negative voltage.
[[nodiscard]] double PressureSensorVolts(const SensorSample& sample);

}  // namespace tq
