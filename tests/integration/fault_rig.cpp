// The part of the rig both platforms share: the instrument and its server.
#include "tests/integration/fault_rig.h"

#include <vector>

#include "sim/scenario.h"

namespace tq::test {

FaultRig ServeOnLine(std::unique_ptr<sim::DeviceLine> inner, std::string* error) {
  FaultRig rig;
  const std::vector<std::string> scenarios = {"log500"};
  auto instrument = sim::BuildInstrument(sim::InstrumentOptions{}, scenarios, error);
  if (!instrument) return rig;
  auto line = std::make_unique<TearingLine>(std::move(inner));
  rig.line = line.get();
  // The instrument's clock stands still, so nothing changes between a read and the
  // check of what it returned.
  sim::ServerOptions options;
  options.speed = 0;
  rig.server = std::make_unique<sim::SimServer>(std::move(line), std::move(*instrument), options);
  rig.server->Start();
  return rig;
}

}  // namespace tq::test
