// Runs tarnquill-cli in-process: a fixed computer clock, a list of ports, real serial ports
// by name, and the console's streams captured. An instrument for it: the simulator inside
// the tool (--sim) or tarnquill-sim in a process of its own on a serial line (--port).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/app.h"
#include "cli/platform.h"
#include "link/serial_port.h"
#include "tests/cli/sim_process.h"

namespace tq::cli::test {

class FakePlatform final : public Platform {
 public:
  std::vector<PortInfo> ports;
  DeviceTime now{2026, 12, 8, 10, 30, 0};  // 08/12/2026 10:30:00
  std::int64_t utc = 1796725800;           // the same moment, as UTC
  int waits = -1;                          // Ctrl+C after this many wait_ms calls (-1: never)...
  int stop_checks = -1;  // ...or this many looks at stop_requested (one per Transaction)

  [[nodiscard]] std::vector<PortInfo> list_ports() const override { return ports; }
  [[nodiscard]] std::unique_ptr<SerialPort> open_port(const std::string& name) const override {
    return OpenSerialPort(name);
  }
  [[nodiscard]] DeviceTime local_now() const override { return now; }
  [[nodiscard]] std::int64_t utc_now() const override { return utc; }
  // Waits for real (up to 250 ms): a line the simulator dropped comes back in its own time.
  [[nodiscard]] bool wait_ms(std::uint32_t ms) const override {
    if (pressed_ || (waits >= 0 && waits_done_++ >= waits)) {
      pressed_ = true;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::uint32_t>(ms, 250)));
    return true;
  }
  [[nodiscard]] bool stop_requested() const override {
    if (stop_checks >= 0 && stop_checks_done_++ >= stop_checks) pressed_ = true;
    return pressed_;
  }

 private:
  mutable int waits_done_ = 0;
  mutable int stop_checks_done_ = 0;
  mutable bool pressed_ = false;
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

// How the tool reaches the instrument in a test.
enum class Via { kInProcess, kProcess };

inline std::string PrintToString(Via via) {
  return via == Via::kInProcess ? "InProcess" : "Process";
}

// An instrument: the global options that name it, and the process serving it, if any.
struct Unit {
  std::vector<std::string> link;
  std::unique_ptr<SimProcess> process;
  std::string why;  // empty when the unit is there

  [[nodiscard]] bool ready() const { return why.empty(); }
  // `link` followed by `args`.
  [[nodiscard]] std::vector<std::string> with(const std::vector<std::string>& args) const {
    std::vector<std::string> all = link;
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
};

// `sim_args` are tarnquill-sim's options (--scenario NAME ... only, for kInProcess).
inline Unit open_unit(Via via, const std::string& key, const std::vector<std::string>& sim_args) {
  Unit unit;
  if (via == Via::kInProcess) {
    unit.link = {"--sim", "--speed", "0"};
    unit.link.insert(unit.link.end(), sim_args.begin(), sim_args.end());
    return unit;
  }
  unit.process = start_sim_process(key, sim_args, &unit.why);
  if (unit.process) unit.link = {"--port", unit.process->port()};
  return unit;
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("tarnquill-cli-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    // Runs of the suite from other checkouts may share the temporary folder.
    name += "-" + std::to_string(std::random_device{}());
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The number of Transactions in a --stats report.
inline long transactions_in(const std::string& stats) {
  const auto at = stats.find("transactions ");
  if (at == std::string::npos) return -1;
  return std::stol(stats.substr(at + 13));
}

}  // namespace tq::cli::test
