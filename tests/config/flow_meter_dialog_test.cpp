// The flow meter dialog's entry and block: the 32-bit parse that gives 0 rather than a
// limited value, and the block bytes Save writes.
#include "config/flow_meter_dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tq {
namespace {

using Block = std::array<std::uint8_t, kFlowMeterConfigSize>;

Block encoded(const FlowMeterConfig& config) {
  Block bytes{};
  bytes.fill(0xEE);  // whatever was there before
  EncodeFlowMeterConfig(config, bytes);
  return bytes;
}

TEST(FlowMeterEntry, OnlyAWholeUnsignedThirtyTwoBitNumberIsTaken) {
  EXPECT_EQ(parse_pulses_per_litre("10000"), 10000u);
  EXPECT_EQ(parse_pulses_per_litre("4294967295"), 4294967295u);
  EXPECT_EQ(parse_pulses_per_litre("4294967296"), 0u);  // not limited: zero
  EXPECT_EQ(parse_pulses_per_litre("99999999999999999999999"), 0u);
  EXPECT_EQ(parse_pulses_per_litre(""), 0u);
  EXPECT_EQ(parse_pulses_per_litre("  7 "), 7u);
  EXPECT_EQ(parse_pulses_per_litre("-1"), 0u);
  EXPECT_EQ(parse_pulses_per_litre("+5"), 0u);
  EXPECT_EQ(parse_pulses_per_litre("12x"), 0u);
  EXPECT_EQ(parse_pulses_per_litre("1.5"), 0u);
  EXPECT_EQ(parse_pulses_per_litre("0004294967295"), 4294967295u);
}

TEST(FlowMeterBlock, TheHeaderByteIsSentAsZeroWhateverWasRead) {
  Block read = {0x7F, 0x10, 0x27, 0x00, 0x00};  // header 0x7F, 10000 pulses per litre
  FlowMeterConfig config;
  DecodeFlowMeterConfig(read, config);
  EXPECT_EQ(pulses_text(config), "10000");
  EXPECT_EQ(encoded(flow_meter_for_save(pulses_text(config))),
            (Block{0x00, 0x10, 0x27, 0x00, 0x00}));
  EXPECT_EQ(encoded(flow_meter_for_save("4294967295")), (Block{0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encoded(flow_meter_for_save("4294967296")), (Block{0, 0, 0, 0, 0}));
  EXPECT_EQ(encoded(flow_meter_for_save("")), (Block{0, 0, 0, 0, 0}));
}

TEST(FlowMeterBlock, TheLargestValueIsShownWhole) {
  FlowMeterConfig config;
  config.pulses_per_litre = 4294967295u;
  EXPECT_EQ(pulses_text(config), "4294967295");
}

}  // namespace
}  // namespace tq
