// The command-line tool on Windows: the serial-port list, Win32 ports, Ctrl+C.
#include <windows.h>

#include <atomic>

#include "cli/platform.h"
#include "link/serial_ports.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

std::atomic<bool> g_interrupted{false};  // set by the console's Ctrl+C handler

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // Asked twice: the operator means now, and the default handler ends the tool.
  return g_interrupted.exchange(true) ? FALSE : TRUE;
}

class Win32Platform final : public Platform {
 public:
  Win32Platform() { SetConsoleCtrlHandler(on_console_event, TRUE); }

  std::vector<PortInfo> list_ports() const override { return list_serial_ports(); }

  std::unique_ptr<SerialPort> open_port(const std::string& name) const override {
    return OpenSerialPort(name);
  }

  DeviceTime local_now() const override {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return device_time_of({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
  }

  std::int64_t utc_now() const override {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr ULONGLONG kTicksPerSecond = 10000000ULL;
    constexpr ULONGLONG kEpochOffset = 11644473600ULL;  // 1601 to 1970, in seconds
    return static_cast<std::int64_t>(ticks / kTicksPerSecond - kEpochOffset);
  }

  bool wait_ms(std::uint32_t ms) const override {
    for (std::uint32_t waited = 0; waited < ms; waited += 20) {
      if (g_interrupted.load()) return false;
      Sleep(20);
    }
    return !g_interrupted.load();
  }

  bool stop_requested() const override { return g_interrupted.load(); }
};

}  // namespace

std::unique_ptr<Platform> system_platform() { return std::make_unique<Win32Platform>(); }

}  // namespace tq::cli
