// The checksum against a bit-by-bit model, and its power to reject corrupted Frames.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/frame.h"
#include "tests/property/reference_frame.h"

namespace tq {
namespace {

std::uint16_t StoredCrc(const Frame& f) {
  return static_cast<std::uint16_t>(f[kOffCrcLow] | (f[kOffCrcHigh] << 8));
}

// A Frame is rejected by its checksum when the CRC of bytes 3..127 no longer matches
// the stored one; IsValidFrameAt must agree.
void ExpectRejected(const Frame& f, std::size_t bit_a, std::size_t bit_b) {
  ASSERT_NE(FrameCrc(f), StoredCrc(f)) << "bits " << bit_a << " and " << bit_b;
  ASSERT_FALSE(IsValidFrameAt(f, 0)) << "bits " << bit_a << " and " << bit_b;
}

void Flip(Frame& f, std::size_t bit) { f[bit / 8] ^= static_cast<std::uint8_t>(1U << (bit % 8)); }

Frame FullFrame(std::mt19937& rng, std::uint8_t length) {
  Frame f{};
  f[kOffCommand] = 0xB1;
  f[kOffLength] = length;
  for (std::size_t i = 0; i < length; ++i) f[kOffPayload + i] = static_cast<std::uint8_t>(rng());
  StampRequest(f, static_cast<std::uint8_t>(rng()));
  return f;
}

// Frames to corrupt: the all-zero worked example, a short payload, a full payload.
std::vector<Frame> SampleFrames() {
  std::mt19937 rng(11);
  Frame device_type{};
  device_type[kOffCommand] = 0x06;
  StampRequest(device_type, 0);
  return {device_type, FullFrame(rng, 5), FullFrame(rng, kPayloadCapacity)};
}

constexpr std::size_t kFirstBit = 8;  // byte 1: the marker is not under the checksum
constexpr std::size_t kEndBit = kFrameSize * 8;

TEST(CrcProperty, TableAgreesWithBitwiseModelOnRandomBuffers) {
  std::mt19937 rng(1);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bytes(rng() % 300);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    ASSERT_EQ(Crc16(bytes), reference::BitwiseCrc16(bytes)) << "round " << round;
  }
}

TEST(CrcProperty, EverySingleBitFlipOfBytes1To127IsRejected) {
  for (const Frame& original : SampleFrames()) {
    ASSERT_TRUE(IsValidFrameAt(original, 0));
    for (std::size_t bit = kFirstBit; bit < kEndBit; ++bit) {
      Frame f = original;
      Flip(f, bit);
      ExpectRejected(f, bit, bit);
    }
  }
}

TEST(CrcProperty, EveryTwoBitFlipOfBytes1To127IsRejected) {
  // About half a million pairs: checked without a gtest assertion per pair, and on the
  // Frame with the fullest payload, to keep the run short.
  const Frame original = SampleFrames().back();
  std::size_t pairs = 0;
  for (std::size_t a = kFirstBit; a < kEndBit; ++a) {
    Frame once = original;
    Flip(once, a);
    for (std::size_t b = a + 1; b < kEndBit; ++b) {
      Frame twice = once;
      Flip(twice, b);
      if (FrameCrc(twice) == StoredCrc(twice)) ExpectRejected(twice, a, b);
      ++pairs;
    }
  }
  EXPECT_EQ(pairs, (kEndBit - kFirstBit) * (kEndBit - kFirstBit - 1) / 2);
}

}  // namespace
}  // namespace tq
