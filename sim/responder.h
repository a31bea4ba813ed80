// The firmware's answer to one request Frame: a pure function of the instrument's state
// (which it updates) and the request.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "link/frame.h"
#include "sim/instrument.h"

namespace tq::sim {

// A response to `request`: its sequence number and command echo, the result byte and the
// payload, checksummed.
[[nodiscard]] Frame BuildResponse(const Frame& request, std::uint8_t result,
                                  std::span<const std::uint8_t> payload = {});

// Carries out a valid request Frame and returns the response. Unknown command codes get
// kDeviceUnknownCommand; a request shorter than its command needs gets kDeviceBadArgument.
[[nodiscard]] Frame Respond(Instrument& instrument, const Frame& request);

// Command names as the command table gives them ("GetSystemStatus"), both ways.
[[nodiscard]] std::optional<std::uint8_t> CommandCodeByName(std::string_view name);
[[nodiscard]] std::string_view CommandName(std::uint8_t code);

}  // namespace tq::sim
