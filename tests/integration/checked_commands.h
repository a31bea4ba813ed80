// Commands whose answers are checked against the simulated instrument itself: after a
// command succeeds, the same request is answered by a copy of the instrument's state and
// the two records must agree. An answer that belongs to another request fails the check.
// Only commands that do not change what later answers say are listed, so the check holds
// while other threads keep sending.
#pragma once

#include <cstdint>
#include <span>

#include "link/connection.h"
#include "sim/server.h"

namespace tq::test {

struct CheckedResult {
  int result = -1;
  bool wrong = false;  // the answer, or a result byte, the instrument would not give
};

struct CheckedCommand {
  std::uint8_t code;  // the command it sends
  // `pick` chooses the request's argument (a task, a motor, an entry), where there is one.
  CheckedResult (*run)(Connection* connection, sim::SimServer& server, std::uint32_t pick);
};

[[nodiscard]] std::span<const CheckedCommand> CheckedCommands();

// Reads sample log entry `index` and checks it.
[[nodiscard]] CheckedResult CheckedSampleLogEntry(Connection* connection, sim::SimServer& server,
                                                  std::uint16_t index);

}  // namespace tq::test
