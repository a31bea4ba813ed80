// Volume and voltage conversions.
#include "link/encodings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tq {
namespace {

TEST(VolumeToTenths, TruncatesAfterAddingAHundredth) {
  struct Case {
    double litres;
    std::uint8_t tenths;
  };
  const Case cases[] = {{2.3, 23},
                        {0.1, 1},
                        {0.0, 0},
                        {0.04, 0},
                        {0.09, 0},
                        {1.99, 19},
                        {25.5, 255},
                        {25.4, 254},
                        {12.7, 127},
                        {0.7, 7},
                        {2.29, 22},
                        {2.297, 22},  // the hundredth added is not enough to reach 23
                        // Within a hundredth below a tenth, e.g. a volume kept as a float.
                        {2.2995, 23},
                        {static_cast<double>(2.3f), 23}};
  for (const Case& c : cases) EXPECT_EQ(VolumeToTenths(c.litres), c.tenths) << c.litres;
}

TEST(VolumeToTenths, OutOfRangeInputIsClampedNotUndefined) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(VolumeToTenths(25.6), 255);
  EXPECT_EQ(VolumeToTenths(1e300), 255);
  EXPECT_EQ(VolumeToTenths(kInf), 255);
  EXPECT_EQ(VolumeToTenths(-0.5), 0);
  EXPECT_EQ(VolumeToTenths(-1e300), 0);
  EXPECT_EQ(VolumeToTenths(-kInf), 0);
  EXPECT_EQ(VolumeToTenths(std::nan("")), 0);
}

TEST(VolumeToTenths, EveryShownVolumeEncodesBackToItsByte) {
  // What the program shows (tenths / 10) must be sent as the same byte when entered again.
  for (int t = 0; t <= 255; ++t) {
    const auto tenths = static_cast<std::uint8_t>(t);
    EXPECT_EQ(VolumeToTenths(TenthsToLitres(tenths)), tenths) << t;
  }
  EXPECT_DOUBLE_EQ(TenthsToLitres(23), 2.3);
}

TEST(PressureSensorVolts, SignedDifferenceScaledToFiveVolts) {
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{4096, 0, {}}), 5.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{2048, 2048, {}}), 0.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{0, 4096, {}}), -5.0);
  EXPECT_DOUBLE_EQ(PressureSensorVolts(SensorSample{0, 65535, {}}), -65535 * 5 / 4096.0);
}

}  // namespace
}  // namespace tq
