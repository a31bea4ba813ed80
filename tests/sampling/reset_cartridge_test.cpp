// The cartridge ID entry and the record written back.
#include "sampling/reset_cartridge.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

TEST(ResetCartridge, EntriesUpTo65535AreIds) {
  EXPECT_EQ(parse_cartridge_id("42"), 42);
  EXPECT_EQ(parse_cartridge_id(""), 0);  // an empty edit writes ID 0
  EXPECT_EQ(parse_cartridge_id("0"), 0);
  EXPECT_EQ(parse_cartridge_id("65535"), 65535);
  EXPECT_EQ(parse_cartridge_id("00042"), 42);
}

TEST(ResetCartridge, LargerNumbersAreRefusedNotWrappedOrCut) {
  EXPECT_EQ(parse_cartridge_id("65536"), std::nullopt);  // would wrap to 0
  EXPECT_EQ(parse_cartridge_id("70000"), std::nullopt);
  EXPECT_EQ(parse_cartridge_id("99999"), std::nullopt);
  EXPECT_EQ(parse_cartridge_id("4294967296"), std::nullopt);
}

TEST(ResetCartridge, OnlyTheIdChanges) {
  CartridgeRecord as_read;
  as_read.unused0 = {0xA1, 0xA2};
  as_read.cartridge_id = 42;
  for (std::uint8_t i = 0; i < as_read.unused4.size(); ++i) {
    as_read.unused4[i] = static_cast<std::uint8_t>(0xB0 + i);
  }
  EXPECT_EQ(cartridge_id_text(as_read), "42");
  EXPECT_EQ(with_cartridge_id(as_read, 42), as_read);  // OK without a change: unchanged
  CartridgeRecord expected = as_read;
  expected.cartridge_id = 7;
  EXPECT_EQ(with_cartridge_id(as_read, 7), expected);
}

}  // namespace
}  // namespace tq
