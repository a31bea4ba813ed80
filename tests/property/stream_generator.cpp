// Random received-byte streams.
#include "tests/property/stream_generator.h"

#include <algorithm>

#include "link/frame.h"

namespace tq::property {
namespace {

std::size_t Pick(std::mt19937& rng, std::size_t low, std::size_t high) {
  return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}

std::uint8_t RandomByte(std::mt19937& rng, bool marker_rich) {
  // Marker-rich runs put a "*" at every few bytes, so candidates overlap real Frames.
  if (marker_rich && Pick(rng, 0, 3) == 0) return kStartMarker;
  return static_cast<std::uint8_t>(Pick(rng, 0, 255));
}

Frame RandomFrame(std::mt19937& rng, std::uint8_t sequence, std::uint8_t length) {
  Frame f{};
  f[kOffCommand] = RandomByte(rng, false);
  f[kOffLength] = length;
  const bool marker_rich = Pick(rng, 0, 2) == 0;
  const std::size_t filled = std::min<std::size_t>(length, kPayloadCapacity);
  for (std::size_t i = 0; i < filled; ++i) f[kOffPayload + i] = RandomByte(rng, marker_rich);
  StampRequest(f, sequence);
  f[kOffResult] = Pick(rng, 0, 1) == 0 ? 0 : RandomByte(rng, false);
  const std::uint16_t crc = FrameCrc(f);
  f[kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  f[kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
  return f;
}

std::uint8_t OtherSequence(std::mt19937& rng, std::uint8_t sequence) {
  return static_cast<std::uint8_t>(sequence + Pick(rng, 1, 255));
}

}  // namespace

Bytes RandomStream(std::mt19937& rng, std::uint8_t sequence, std::size_t min_length) {
  Bytes out;
  const auto append = [&out](const auto& bytes, std::size_t count) {
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
  };
  while (out.size() < min_length) {
    const auto length = static_cast<std::uint8_t>(Pick(rng, 0, kPayloadCapacity));
    switch (Pick(rng, 0, 7)) {
      case 0: {  // noise
        const bool marker_rich = Pick(rng, 0, 1) == 0;
        for (std::size_t n = Pick(rng, 1, 30); n > 0; --n)
          out.push_back(RandomByte(rng, marker_rich));
        break;
      }
      case 1:
        out.push_back(kStartMarker);
        break;
      case 2:
        append(RandomFrame(rng, sequence, length), kFrameSize);
        break;
      case 3:
        append(RandomFrame(rng, OtherSequence(rng, sequence), length), kFrameSize);
        break;
      case 4: {  // valid checksum, but a length byte no receive buffer can satisfy
        const auto big = static_cast<std::uint8_t>(Pick(rng, kPayloadCapacity + 1, 255));
        append(RandomFrame(rng, sequence, big), kFrameSize);
        break;
      }
      case 5:  // cut short, as by a dropped line
        append(RandomFrame(rng, sequence, length), Pick(rng, 1, kFrameSize - 1));
        break;
      case 6: {  // one bit flipped anywhere after the marker
        Frame f = RandomFrame(rng, sequence, length);
        f[Pick(rng, 1, kFrameSize - 1)] ^= static_cast<std::uint8_t>(1U << Pick(rng, 0, 7));
        append(f, kFrameSize);
        break;
      }
      default: {  // a Frame starting inside the previous one's remains
        const Frame f = RandomFrame(rng, sequence, length);
        const std::size_t back = std::min(out.size(), Pick(rng, 1, 40));
        out.resize(out.size() - back);
        append(f, kFrameSize);
        break;
      }
    }
  }
  return out;
}

}  // namespace tq::property
