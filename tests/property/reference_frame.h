// An independent, deliberately naive model of the Frame rules: a bit-by-bit CRC and a
// window-by-window validity check. Property tests and fuzz targets compare the real
// table-driven code against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tq::reference {

// CRC-16 with polynomial 0x1021, most significant bit first, initial value 0, computed
// one bit at a time with no table.
inline std::uint16_t BitwiseCrc16(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0;
  for (std::uint8_t byte : bytes) {
    for (int bit = 7; bit >= 0; --bit) {
      const std::uint32_t in = (static_cast<std::uint32_t>(byte) >> bit) & 1U;
      const std::uint32_t top = (crc >> 15) & 1U;
      crc = (crc << 1) & 0xFFFFU;
      if ((top ^ in) != 0) crc ^= 0x1021U;
    }
  }
  return static_cast<std::uint16_t>(crc);
}

// Whether the 128-byte window at `start` of the first `received.size()` bytes is a
// Frame the receiver must accept.
inline bool WindowIsFrame(std::span<const std::uint8_t> received, std::size_t start) {
  const std::size_t count = received.size();
  if (start + 128 > count) return false;
  const auto window = received.subspan(start, 128);
  if (window[0] != 0x2A) return false;
  if (start + 6 + window[6] >= count) return false;
  const unsigned stored = window[1] | (static_cast<unsigned>(window[2]) << 8);
  return BitwiseCrc16(window.subspan(3)) == stored;
}

// The first accepting window, trying every offset.
inline std::optional<std::size_t> FirstFrame(std::span<const std::uint8_t> received) {
  for (std::size_t i = 0; i < received.size(); ++i) {
    if (WindowIsFrame(received, i)) return i;
  }
  return std::nullopt;
}

}  // namespace tq::reference
