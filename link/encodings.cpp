// Volume and voltage encodings.
#include "link/encodings.h"

namespace tq {

std::uint8_t VolumeToTenths(double litres) {
  // Written so NaN fails the first test: a float-to-integer cast of an out-of-range value
  // is undefined.
  if (!(litres > 0)) return 0;
  const double tenths = litres * 10 + 0.01;
  if (tenths >= 255) return 255;
  return static_cast<std::uint8_t>(tenths);
}

double TenthsToLitres(std::uint8_t tenths) { return tenths / 10.0; }

double PressureSensorVolts(const SensorSample& sample) {
  const int difference = static_cast<int>(sample.pressure_a) - static_cast<int>(sample.pressure_b);
  return difference * 5 / 4096.0;
}

}  // namespace tq
