// The volume entries' reading: typed litres to the tenths the instrument holds.
#include "sampling/volume_entry.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

TEST(VolumeEntry, VolumesAreTenthsWithTheirRoundingAllowance) {
  // x 10 + 0.01, truncated: a hundredth short of the next tenth counts as that tenth.
  EXPECT_EQ(volume_tenths("2.3"), 23);
  EXPECT_EQ(volume_tenths("2.499"), 25);
  EXPECT_EQ(volume_tenths("2.489"), 24);
  EXPECT_EQ(volume_tenths("2.5"), 25);
  EXPECT_EQ(volume_tenths("0.05"), 0);
  EXPECT_EQ(volume_tenths("  1.29 litres"), 12);
  EXPECT_EQ(volume_tenths("25.5"), 255);
  EXPECT_EQ(volume_tenths("25.6"), 255);
  EXPECT_EQ(volume_tenths(""), 0);
}

}  // namespace
}  // namespace tq
