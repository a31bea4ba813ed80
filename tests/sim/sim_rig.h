// A simulator in the test's own process, on an in-memory cable, with a Connection to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "link/commands.h"
#include "link/connection.h"
#include "sim/instrument.h"
#include "sim/server.h"

namespace tq::sim::test {

// Time stands still unless a test moves it, so runs are reproducible.
inline ServerOptions FrozenClock() {
  ServerOptions options;
  options.speed = 0;
  return options;
}

struct SimRig {
  explicit SimRig(InstrumentOptions instrument = {}, ServerOptions server = FrozenClock(),
                  std::uint32_t timeout_ms = 300)
      : sim(StartInProcessSimulator(CreateInstrument(instrument), server)),
        connection(CreateConnectionOnPort(std::move(sim.host), nullptr, timeout_ms)) {}

  explicit SimRig(Instrument instrument, ServerOptions server = FrozenClock(),
                  std::uint32_t timeout_ms = 300)
      : sim(StartInProcessSimulator(std::move(instrument), server)),
        connection(CreateConnectionOnPort(std::move(sim.host), nullptr, timeout_ms)) {}

  Connection* c() const { return connection.get(); }
  SimServer& server() const { return *sim.server; }

  SystemStatus Status() const {
    SystemStatus status;
    EXPECT_EQ(GetSystemStatus(c(), &status), 0);
    return status;
  }

  InProcessSimulator sim;
  ConnectionRef connection;
};

}  // namespace tq::sim::test
