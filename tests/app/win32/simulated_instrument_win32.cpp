// Simulators for the window tests.
#include "tests/app/win32/simulated_instrument_win32.h"

#include <cstdlib>

namespace tq::test {

SimulatedInstrument start_simulated_instrument(const sim::InstrumentOptions& options,
                                               std::optional<std::uint8_t> failing_command) {
  sim::ServerOptions server;
  if (failing_command) {
    sim::FaultRule rule;
    rule.action.result = 3;
    rule.command = *failing_command;
    server.faults.push_back(rule);
  }
  SimulatedInstrument instrument;
  instrument.simulator = sim::StartInProcessSimulator(sim::CreateInstrument(options), server);
  instrument.connection =
      CreateConnectionOnPort(std::move(instrument.simulator.host), nullptr, 1000);
  return instrument;
}

std::optional<std::string> simulator_com_port() {
  const char* port = std::getenv("TARNQUILL_SIM_PORT");
  if (port == nullptr || *port == '\0') return std::nullopt;
  return std::string(port);
}

}  // namespace tq::test
