// The validity scan against a brute-force check of every 128-byte window, over random
// streams of Frames, stray markers and noise.
#include <gtest/gtest.h>

#include <random>
#include <span>

#include "link/frame.h"
#include "tests/property/reference_frame.h"
#include "tests/property/stream_generator.h"

namespace tq {
namespace {

TEST(ScanProperty, EveryPrefixOfRandomStreamsMatchesBruteForce) {
  int frames_found = 0;
  for (unsigned seed = 0; seed < 400; ++seed) {
    std::mt19937 rng(seed);
    const auto stream = property::RandomStream(rng, static_cast<std::uint8_t>(rng()), rng() % 320);
    const std::span<const std::uint8_t> all(stream);
    for (std::size_t count = 0; count <= stream.size(); ++count) {
      const auto prefix = all.first(count);
      const auto expected = reference::FirstFrame(prefix);
      ASSERT_EQ(ScanForFrame(prefix), expected) << "seed " << seed << ", " << count << " bytes";
      if (expected && count == stream.size()) ++frames_found;
    }
    for (std::size_t i = 0; i < stream.size(); ++i) {
      ASSERT_EQ(IsValidFrameAt(all, i), reference::WindowIsFrame(all, i))
          << "seed " << seed << ", offset " << i;
    }
  }
  // The generator must actually produce acceptable Frames, or the comparison is hollow.
  EXPECT_GT(frames_found, 100);
}

// The length byte decides how many bytes must have arrived: a Frame at offset i with
// length L is accepted once more than i + 6 + L bytes are in, never before, even though
// all of its 128 bytes may already be there.
TEST(ScanProperty, LengthByteHoldsBackAcceptanceUntilEnoughBytesArrived) {
  for (const int length : {0, 100, 121, 122, 146, 147, 200, 255}) {
    for (const std::size_t noise : {0U, 1U, 25U}) {
      Frame f{};
      f[kOffCommand] = 0x27;
      f[kOffLength] = static_cast<std::uint8_t>(length);
      StampRequest(f, 9);
      std::vector<std::uint8_t> stream(noise, 0x00);
      stream.insert(stream.end(), f.begin(), f.end());
      stream.resize(kReceiveLimit, 0x00);
      for (std::size_t count = 0; count <= stream.size(); ++count) {
        const auto prefix = std::span<const std::uint8_t>(stream).first(count);
        const bool enough =
            count >= noise + kFrameSize && noise + 6 + static_cast<std::size_t>(length) < count;
        EXPECT_EQ(ScanForFrame(prefix).has_value(), enough)
            << "length " << length << ", noise " << noise << ", " << count << " bytes";
      }
    }
  }
}

}  // namespace
}  // namespace tq
