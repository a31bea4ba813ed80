// Runs tarnquill-cli in-process: a fixed computer clock, a list of ports, and the
// console's streams captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/platform.h"

namespace tq::cli::test {

class FakePlatform final : public Platform {
 public:
  std::vector<PortInfo> ports;
  DeviceTime now{0, 2026, 12, 8, 10, 30, 0};  // 08/12/2026 10:30:00
  std::int64_t utc = 1796725800;              // the same moment, as UTC

  [[nodiscard]] std::vector<PortInfo> list_ports() const override { return ports; }
  [[nodiscard]] std::unique_ptr<SerialPort> open_port(const std::string&) const override {
    return nullptr;
  }
  [[nodiscard]] DeviceTime local_now() const override { return now; }
  [[nodiscard]] std::int64_t utc_now() const override { return utc; }
  [[nodiscard]] bool wait_ms(std::uint32_t) const override { return false; }
};

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline CliRun run(const std::vector<std::string>& args, const Platform& platform,
                  const std::string& input = "", bool terminal = false) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(input);
  Console console{out, err, in, terminal, terminal};
  CliRun result;
  result.status = run_cli(args, console, platform);
  result.out = out.str();
  result.err = err.str();
  return result;
}

}  // namespace tq::cli::test
