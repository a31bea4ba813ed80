// What the firmware's command handlers share: the request as received, the reply being
// built, and the tables that map command codes to handlers.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/command_table.h"
#include "link/frame.h"
#include "sim/instrument.h"

namespace tq::sim {

struct Request {
  std::uint8_t code = 0;
  std::uint8_t length = 0;  // declared payload length
  std::span<const std::uint8_t, kPayloadCapacity> payload;

  template <std::size_t N>
  [[nodiscard]] std::span<const std::uint8_t, N> First() const {
    return payload.template first<N>();
  }
};

struct Reply {
  std::array<std::uint8_t, kPayloadCapacity> payload{};
  std::uint8_t length = 0;

  // The first N payload bytes, to be filled; the reply then declares N bytes.
  template <std::size_t N>
  [[nodiscard]] std::span<std::uint8_t, N> Take() {
    static_assert(N <= kPayloadCapacity);
    length = static_cast<std::uint8_t>(N);
    return std::span<std::uint8_t, kPayloadCapacity>(payload).template first<N>();
  }
};

// Returns the result byte; the reply's payload is sent only with result 0.
using Handler = std::uint8_t (*)(Instrument&, const Request&, Reply&);

struct CommandEntry {
  std::uint8_t code;
  std::uint8_t min_length;  // shorter requests are refused as malformed
  Handler handler;
};

// The entry of a command that needs the whole request the program sends: the length the
// command table gives. A code the table lacks does not compile.
constexpr CommandEntry Entry(std::uint8_t code, Handler handler) {
  return {code, static_cast<std::uint8_t>(find_command(code)->request_length), handler};
}

// A handler that only reads the instrument, in the table's shape.
template <std::uint8_t (*F)(const Instrument&, const Request&, Reply&)>
std::uint8_t ReadOnly(Instrument& instrument, const Request& request, Reply& reply) {
  return F(instrument, request, reply);
}

[[nodiscard]] std::span<const CommandEntry> SystemCommandTable();
[[nodiscard]] std::span<const CommandEntry> SamplerCommandTable();
[[nodiscard]] std::span<const CommandEntry> MotorCommandTable();

}  // namespace tq::sim
