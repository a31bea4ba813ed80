// tarnquill-sim in a process of its own, as a user runs it beside the tool: natively on a
// pseudo-terminal the test starts, under Wine on the COM port ctest's fixture serves.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tq::cli::test {

// The instrument's clock in every simulator here: 08/12/2026 10:30:00, the FakePlatform's
// time, standing nearly still.
inline const std::vector<std::string> kFrozenClock = {"--clock", "1796725800", "--speed", "0.0001"};

class SimProcess {
 public:
  virtual ~SimProcess() = default;
  // What --port takes to reach it.
  [[nodiscard]] virtual const std::string& port() const = 0;
};

// Starts tarnquill-sim with kFrozenClock and `args`. Under Wine the simulator is the one
// the fixture `key` started with the same arguments (see CMakeLists.txt), named by the
// environment variable TARNQUILL_CLI_SIM_<key>. Null, with *why, when there is none.
[[nodiscard]] std::unique_ptr<SimProcess> start_sim_process(const std::string& key,
                                                            const std::vector<std::string>& args,
                                                            std::string* why);

}  // namespace tq::cli::test
