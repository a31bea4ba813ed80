// The command-line tool on Linux: the serial-port list, termios ports, stop signals.
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <thread>

#include "cli/platform.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

// Set by the signal handler, which can safely do nothing more.
std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int signal_number) {
  if (g_interrupted.exchange(true)) {
    // Asked twice: the operator means now.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
  }
}

void catch_stop_signals() {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a question waiting for its answer on the terminal gives up too.
  action.sa_flags = 0;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

class PosixPlatform final : public Platform {
 public:
  PosixPlatform() { catch_stop_signals(); }

  std::vector<PortInfo> list_ports() const override { return list_serial_ports(); }

  std::unique_ptr<SerialPort> open_port(const std::string& name) const override {
    return OpenSerialPort(name);
  }

  DeviceTime local_now() const override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return device_time_of({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, std::min(local.tm_sec, 59)});  // no leap second
  }

  std::int64_t utc_now() const override { return static_cast<std::int64_t>(std::time(nullptr)); }

  bool wait_ms(std::uint32_t ms) const override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (g_interrupted.load()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return !g_interrupted.load();
  }

  bool stop_requested() const override { return g_interrupted.load(); }
};

}  // namespace

std::unique_ptr<Platform> system_platform() { return std::make_unique<PosixPlatform>(); }

}  // namespace tq::cli
