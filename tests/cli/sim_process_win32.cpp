// tarnquill-sim under Wine: the native simulator a ctest fixture serves on a COM port.
#include <cstdlib>

#include "tests/cli/sim_process.h"

namespace tq::cli::test {
namespace {

class FixtureSimProcess final : public SimProcess {
 public:
  explicit FixtureSimProcess(std::string port) : port_(std::move(port)) {}
  const std::string& port() const override { return port_; }

 private:
  std::string port_;
};

}  // namespace

std::unique_ptr<SimProcess> start_sim_process(const std::string& key,
                                              const std::vector<std::string>&, std::string* why) {
  const std::string variable = "TARNQUILL_CLI_SIM_" + key;
  const char* port = std::getenv(variable.c_str());
  if (port == nullptr || *port == '\0') {
    *why = "no simulator on a COM port for this test (" + variable + " is not set)";
    return nullptr;
  }
  return std::make_unique<FixtureSimProcess>(port);
}

}  // namespace tq::cli::test
