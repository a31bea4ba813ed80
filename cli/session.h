// The instrument the tool talks to: a serial port (--port) or the project's simulated
// instrument started in the tool's own process (--sim), on a Connection either way.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/platform.h"
#include "link/connection.h"
#include "sim/server.h"

namespace tq::cli {

struct LinkOptions {
  std::string port;                    // --port
  bool simulator = false;              // --sim
  std::vector<std::string> scenarios;  // --scenario, with --sim
  std::optional<double> speed;         // --speed, with --sim: its time against real time
};

struct Session {
  ConnectionRef connection;
  // Set with --sim: serves the Connection's other end until the session ends.
  std::optional<sim::InProcessSimulator> simulator;

  Session() = default;
  Session(Session&&) = default;
  Session& operator=(Session&&) = default;
  ~Session();
};

// Opens what the options name. Nothing, with *error saying what is wrong and what to do,
// when no instrument was named, the port cannot be opened or a scenario is unknown.
[[nodiscard]] std::optional<Session> open_session(const LinkOptions& options,
                                                  const Platform& platform, std::string* error);

}  // namespace tq::cli
