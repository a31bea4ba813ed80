// Checksum and validity scan of received bytes.
#include "link/frame.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

Frame DeviceTypeRequest(std::uint8_t sequence) {
  Frame f{};
  f[kOffCommand] = 0x06;
  StampRequest(f, sequence);
  return f;
}

TEST(Crc16, CheckValueOfXmodemVariant) {
  constexpr std::string_view digits = "123456789";
  const Bytes bytes(digits.begin(), digits.end());
  EXPECT_EQ(Crc16(bytes), 0x31C3);
  EXPECT_EQ(Crc16({}), 0x0000);
}

TEST(Frame, DeviceTypeWorkedExample) {
  const Frame f = DeviceTypeRequest(0);
  const Bytes head(f.begin(), f.begin() + 7);
  EXPECT_EQ(head, (Bytes{0x2A, 0x83, 0xFE, 0x00, 0x06, 0x00, 0x00}));
  for (std::size_t i = 7; i < kFrameSize; ++i) ASSERT_EQ(f[i], 0) << i;
}

TEST(Frame, EveryByteFrom3To127TakesPartInTheChecksum) {
  const Frame original = DeviceTypeRequest(0);
  for (std::size_t i = kOffSequence; i < kFrameSize; ++i) {
    Frame changed = original;
    changed[i] ^= 0x01;
    EXPECT_NE(FrameCrc(changed), FrameCrc(original)) << "offset " << i;
    EXPECT_FALSE(IsValidFrameAt(changed, 0)) << "offset " << i;
  }
}

TEST(Frame, CorruptedChecksumBytesMakeTheFrameInvalid) {
  Frame f = DeviceTypeRequest(7);
  ASSERT_TRUE(IsValidFrameAt(f, 0));
  for (std::size_t i : {kOffCrcLow, kOffCrcHigh}) {
    Frame bad = f;
    bad[i] ^= 0x80;
    EXPECT_FALSE(IsValidFrameAt(bad, 0));
  }
}

TEST(Frame, SequenceWrapsIntoDistinctChecksums) {
  EXPECT_NE(FrameCrc(DeviceTypeRequest(255)), FrameCrc(DeviceTypeRequest(0)));
}

Bytes WithNoise(std::size_t noise, const Frame& f) {
  Bytes b;
  for (std::size_t i = 0; i < noise; ++i) b.push_back(static_cast<std::uint8_t>(0x40 + i % 7));
  b.insert(b.end(), f.begin(), f.end());
  return b;
}

TEST(Scan, FindsFrameAfterNoiseOnlyOnceItsLastByteIsThere) {
  const Frame f = DeviceTypeRequest(3);
  const Bytes b = WithNoise(25, f);
  ASSERT_EQ(b.size(), kReceiveLimit);
  for (std::size_t n = 0; n < b.size(); ++n) {
    EXPECT_FALSE(ScanForFrame(std::span(b.data(), n))) << n;
  }
  EXPECT_EQ(ScanForFrame(b), std::optional<std::size_t>(25));
}

TEST(Scan, StrayMarkerInNoiseIsSkipped) {
  Bytes b = WithNoise(10, DeviceTypeRequest(1));
  b[2] = kStartMarker;
  b[8] = 0;  // a plausible length byte after the stray marker
  EXPECT_EQ(ScanForFrame(b), std::optional<std::size_t>(10));
}

TEST(Scan, LengthByteAbove146IsNeverAccepted) {
  for (int length : {146, 147, 200, 255}) {
    Frame f{};
    f[kOffCommand] = 0x27;
    f[kOffLength] = static_cast<std::uint8_t>(length);
    StampRequest(f, 0);
    // Even with the most bytes the engine ever holds after it.
    Bytes b(f.begin(), f.end());
    b.resize(kReceiveLimit, 0);
    EXPECT_EQ(ScanForFrame(b).has_value(), length <= 146) << length;
  }
}

TEST(Scan, FrameIsNotAcceptedBeforeItsDeclaredPayloadArrived) {
  // Test 2 alone: with 128 bytes held, a length of 121 needs i + 7 + 121 bytes.
  Frame f{};
  f[kOffLength] = 121;
  StampRequest(f, 0);
  EXPECT_TRUE(IsValidFrameAt(f, 0));
  f[kOffLength] = 122;
  StampRequest(f, 0);
  EXPECT_FALSE(IsValidFrameAt(f, 0));
}

TEST(Scan, NeverLooksPastTheReceivedBytes) {
  // A marker as the last byte received, and one just before a missing length byte.
  const Bytes one{kStartMarker};
  EXPECT_FALSE(IsValidFrameAt(one, 0));
  EXPECT_FALSE(IsValidFrameAt(one, 5));
  const Bytes six{kStartMarker, 0, 0, 0, 0, 0};
  EXPECT_FALSE(ScanForFrame(six));
}

}  // namespace
}  // namespace tq
