// Opening the port or starting the simulated instrument.
#include "cli/session.h"

#include "sim/calendar.h"
#include "sim/scenario.h"

namespace tq::cli {

Session::~Session() {
  // The Connection first: nothing may wait on a cable whose far end is gone.
  connection.reset();
  if (simulator && simulator->server) simulator->server->Stop();
}

std::optional<Session> open_session(const LinkOptions& options, const Platform& platform,
                                    std::string* error) {
  Session session;
  if (options.simulator) {
    sim::InstrumentOptions instrument_options;
    // The simulated clock starts at the computer's local time, as a set instrument would.
    if (const auto clock = sim::EpochFromDeviceTime(platform.local_now())) {
      instrument_options.clock = *clock;
    }
    auto instrument = sim::BuildInstrument(instrument_options, options.scenarios, error);
    if (!instrument) {
      *error += "; the scenarios are";
      for (const sim::ScenarioInfo& scenario : sim::Scenarios()) {
        *error += " ";
        *error += scenario.name;
      }
      return std::nullopt;
    }
    sim::ServerOptions server_options;
    server_options.speed = options.speed.value_or(1.0);
    session.simulator = sim::StartInProcessSimulator(std::move(*instrument), server_options);
    session.connection = CreateConnectionOnPort(std::move(session.simulator->host));
    return session;
  }
  if (!options.scenarios.empty() || options.speed) {
    *error = "--scenario and --speed need --sim: they belong to the simulated instrument";
    return std::nullopt;
  }
  if (options.port.empty()) {
    *error = "no instrument named: give --port NAME (see 'tarnquill-cli ports') or --sim";
    return std::nullopt;
  }
  // A port that is lost (an adapter pulled out) is opened again by the link once it is back.
  const std::string name = options.port;
  session.connection =
      CreateConnectionOnPort(platform.open_port(name), nullptr, kConnectionTimeoutMs,
                             [&platform, name] { return platform.open_port(name); });
  if (!session.connection) {
    *error = "cannot open " + options.port +
             ": check the name ('tarnquill-cli ports') and that no other program has it open";
    return std::nullopt;
  }
  return session;
}

}  // namespace tq::cli
