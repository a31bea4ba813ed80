// The benchmark's counterpart of the instrument: answers every valid request Frame on a
// serial line with a valid response (same sequence and command, result 0, a 36-byte
// payload), at once or paced like a 38400-baud line.
//
// A request with command kBenchPacingCommand switches pacing: payload byte 0 = 1 on,
// 0 off. It is answered like any other request, unpaced, so one responder serves both
// parts of a benchmark run.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "link/serial_port.h"

namespace tq::bench {

inline constexpr std::uint8_t kBenchPacingCommand = 0xF0;
inline constexpr std::size_t kResponsePayload = 36;

// The time `bytes` characters take on a 38400-baud 8N1 line (10 bits each: start bit,
// 8 data bits, stop bit), 260.4 us per character.
constexpr std::chrono::nanoseconds LineTime(std::int64_t bytes) {
  return std::chrono::nanoseconds(bytes * 10'000'000'000LL / 38400);
}
// A request and its response back to back on the wire: 2 x 128 bytes, 66.7 ms.
inline constexpr std::chrono::nanoseconds kWireLimit = LineTime(256);

struct ResponderOptions {
  bool paced = false;
  std::uint32_t poll_ms = 100;  // how often `stop` is looked at while the line is idle
};

// Serves until `stop` is set. Returns the number of requests answered.
std::uint64_t ServeRequests(SerialPort& port, ResponderOptions options,
                            const std::atomic<bool>& stop);

}  // namespace tq::bench
