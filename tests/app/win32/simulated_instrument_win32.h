// The simulated instrument for window tests: in-process on a memory cable (for tests that
// hand the main window a Connection directly), or on a COM port served by tarnquill-sim.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "link/connection.h"
#include "sim/instrument.h"
#include "sim/server.h"

namespace tq::test {

struct SimulatedInstrument {
  sim::InProcessSimulator simulator;
  ConnectionRef connection;  // the program's end, with a short time limit
};

// Starts a simulator with `options`; every request with command code `failing_command`
// (if given) is answered with result byte 3.
[[nodiscard]] SimulatedInstrument start_simulated_instrument(
    const sim::InstrumentOptions& options,
    std::optional<std::uint8_t> failing_command = std::nullopt);

// The COM port on which the test's tarnquill-sim serves, if the test was given one.
[[nodiscard]] std::optional<std::string> simulator_com_port();

}  // namespace tq::test
