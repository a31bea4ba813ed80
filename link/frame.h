// The 128-byte Frame exchanged with the instrument, its CRC and the validity scan
// over received bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tq {

inline constexpr std::size_t kFrameSize = 128;
// One full response plus up to 25 bytes of leading noise or remains of an earlier one.
inline constexpr std::size_t kReceiveLimit = 153;
inline constexpr std::size_t kPayloadCapacity = 121;

inline constexpr std::uint8_t kStartMarker = 0x2A;  // "*"

// Frame offsets.
inline constexpr std::size_t kOffMarker = 0;
inline constexpr std::size_t kOffCrcLow = 1;
inline constexpr std::size_t kOffCrcHigh = 2;
inline constexpr std::size_t kOffSequence = 3;
inline constexpr std::size_t kOffCommand = 4;
inline constexpr std::size_t kOffResult = 5;
inline constexpr std::size_t kOffLength = 6;
inline constexpr std::size_t kOffPayload = 7;

using Frame = std::array<std::uint8_t, kFrameSize>;

// CRC-16/XMODEM: polynomial 0x1021, MSB first, initial 0x0000, no reflection, no final
// XOR. Check value over ASCII "123456789" is 0x31C3.
[[nodiscard]] std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// CRC over Frame bytes 3..127 (always the full 125 bytes, padding included).
[[nodiscard]] std::uint16_t FrameCrc(std::span<const std::uint8_t, kFrameSize> frame);

// Stamps the link fields of a request: marker, sequence, result 0 and CRC.
void StampRequest(Frame& frame, std::uint8_t sequence);

// Whether a candidate starting at `start` of the first `received` bytes of `buffer` is a
// valid Frame. The four tests run in this order and each short-circuits, so no byte
// beyond `received` is ever read:
//   1. marker "*" at start;
//   2. start + 6 + length byte < received;
//   3. all 128 bytes received;
//   4. CRC of bytes 3..127 matches offsets 1-2.
[[nodiscard]] bool IsValidFrameAt(std::span<const std::uint8_t> received, std::size_t start);

// First start offset (0, 1, 2, ...) holding a valid Frame, if any.
[[nodiscard]] std::optional<std::size_t> ScanForFrame(std::span<const std::uint8_t> received);

}  // namespace tq
