// Watching the requests the simulated instrument receives, as window tests do to see
// which commands a window sends.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "tests/sim/sim_rig.h"

namespace tq::sim::test {
namespace {

TEST(SimRequestWatch, SeesEveryValidRequestInOrderUntilStopped) {
  SimRig rig;
  std::mutex mutex;
  std::vector<std::uint8_t> seen;
  rig.server().WatchRequests([&](std::uint8_t command) {
    std::lock_guard lock(mutex);
    seen.push_back(command);
  });
  FaultRule refused;  // a request answered by a fault is still a request received
  refused.action.result = 3;
  refused.command = kCmdClearDiagnosticLog;
  rig.server().AddFault(refused);

  EXPECT_EQ(StartDiagnosticLogRead(rig.c()), 0);
  EXPECT_EQ(ClearDiagnosticLog(rig.c()), 3);
  DiagnosticLogEntry entry;
  EXPECT_EQ(GetDiagnosticLogEntry(rig.c(), &entry), 0);
  rig.server().WatchRequests({});
  EXPECT_EQ(ToggleLed(rig.c()), 0);

  std::lock_guard lock(mutex);
  EXPECT_EQ(seen, (std::vector<std::uint8_t>{kCmdStartDiagnosticLogRead, kCmdClearDiagnosticLog,
                                             kCmdGetDiagnosticLogEntry}));
}

}  // namespace
}  // namespace tq::sim::test
