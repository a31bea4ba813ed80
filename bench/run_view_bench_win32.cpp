// The Run view benchmark under Windows: the program's real main window and Run view on a
// COM port that a simulator serves, pumped as the program's own loop pumps them.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/main_window_win32.h"
#include "bench/run_view_bench.h"
#include "link/serial_port.h"
#include "ui/connection_message_win32.h"
#include "ui/resource.h"
#include "ui/settings_store_memory.h"

namespace tq::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

// The message a loop took longest over.
struct Slowest {
  double ms = 0;
  UINT message = 0;
  std::string window_class;
};

std::string MessageName(UINT message) {
  switch (message) {
    case WM_PAINT:
      return "WM_PAINT";
    case WM_TIMER:
      return "WM_TIMER";
    case WM_NOTIFY:
      return "WM_NOTIFY";
    case WM_MOUSEMOVE:
      return "WM_MOUSEMOVE";
    default:
      break;
  }
  std::array<char, 24> text{};
  if (message >= WM_APP) {
    std::snprintf(text.data(), text.size(), "WM_APP+%u", message - WM_APP);
  } else if (message >= WM_USER) {
    std::snprintf(text.data(), text.size(), "WM_USER+%u", message - WM_USER);
  } else {
    std::snprintf(text.data(), text.size(), "0x%04X", message);
  }
  return text.data();
}

// Handles messages as the program's loop does until `done` holds or the deadline passes;
// `done` is looked at after every message, so the moment it first holds is seen at once,
// and every `slice` besides (for a `done` that another thread makes true). Without a
// slice the loop sleeps until a message comes, as the program's own loop does. With
// `slowest`, each message is timed.
bool PumpUntil(HWND main, HACCEL accelerators, const std::function<bool()>& done,
               Clock::time_point deadline,
               std::chrono::milliseconds slice = std::chrono::milliseconds::max(),
               Slowest* slowest = nullptr) {
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min(left.count(), slice.count())), QS_ALLINPUT);
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      const Clock::time_point taken = Clock::now();
      if (message.message != WM_QUIT && !handle_main_window_message(main, accelerators, message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      if (const double ms = Millis(Clock::now() - taken).count();
          slowest != nullptr && ms > slowest->ms) {
        std::array<char, 64> name{};
        if (message.hwnd == nullptr ||
            GetClassNameA(message.hwnd, name.data(), static_cast<int>(name.size())) == 0) {
          name[0] = '\0';
        }
        *slowest = {ms, message.message, name.data()};
      }
      if (done()) return true;
    }
  }
  return true;
}

double ProcessCpuSeconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

BenchInstrument OpenBenchInstrument(const std::string& port, const std::string& /*simulator*/,
                                    const std::string& /*scenario*/, bool /*paced*/,
                                    std::string* error) {
  BenchInstrument instrument;
  if (port.empty()) {
    *error = "name the simulator's COM port with --port (tools/bench-run-view starts one)";
    return instrument;
  }
  auto serial = OpenSerialPort(port);
  if (!serial) {
    *error = "cannot open " + port;
    return instrument;
  }
  instrument.connection = CreateConnectionOnPort(std::move(serial), nullptr, 3000);
  instrument.description = "the simulator on " + port;
  return instrument;
}

RunViewBenchFigures MeasureRunView(const ConnectionRef& connection,
                                   const RunViewBenchOptions& options) {
  RunViewBenchFigures figures;
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  MainWindowServices services;
  services.settings = std::make_unique<MemorySettingsStore>();
  services.ports = std::make_unique<FixedPortLister>(std::vector<std::string>{});
  const HWND main = create_main_window(GetModuleHandleA(nullptr), std::move(services));
  if (main == nullptr) return figures;
  ShowWindow(main, SW_SHOWNORMAL);
  const HACCEL accelerators =
      LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));

  // Another thread sends the main window a message and times the answer.
  std::atomic<bool> listing{true};
  std::atomic<bool> view_made{false};  // answers before it are the connect's, not the list's
  std::mutex mutex;
  std::thread pinger([&] {
    while (listing) {
      const Clock::time_point asked = Clock::now();
      DWORD_PTR result = 0;
      SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      const double ms = Millis(Clock::now() - asked).count();
      {
        std::lock_guard lock(mutex);
        if (view_made) {
          figures.longest_answer_ms = std::max(figures.longest_answer_ms, ms);
          ++figures.answers;
        } else {
          figures.longest_connect_ms = std::max(figures.longest_connect_ms, ms);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(options.ping_interval_ms));
    }
  });

  post_connected(main, connection);
  const auto view = [&] { return GetDlgItem(main, IDD_RUN_VIEW); };
  const auto rows = [&] {
    return static_cast<int>(
        SendDlgItemMessageA(view(), IDC_SAMPLE_LOG_LIST, LVM_GETITEMCOUNT, 0, 0));
  };
  const Clock::time_point limit =
      Clock::now() + std::chrono::milliseconds(30000 + 200LL * options.entries);
  PumpUntil(
      main, accelerators, [&] { return view() != nullptr; }, limit);
  view_made = true;
  const Clock::time_point start = Clock::now();
  Slowest slowest;
  figures.listed = PumpUntil(
      main, accelerators, [&] { return rows() >= options.entries; }, limit,
      std::chrono::milliseconds::max(), &slowest);
  figures.slowest_message = MessageName(slowest.message) + " to " +
                            (slowest.window_class.empty() ? "the thread" : slowest.window_class);
  figures.slowest_message_ms = slowest.ms;
  figures.listing_ms = Millis(Clock::now() - start).count();
  figures.rows = rows();
  listing = false;
  // The pinger may be waiting for an answer: keep the window answering until it is done.
  std::atomic<bool> joined{false};
  std::thread joiner([&] {
    pinger.join();
    joined = true;
  });
  PumpUntil(
      main, accelerators, [&] { return joined.load(); }, Clock::now() + std::chrono::seconds(70),
      std::chrono::milliseconds(50));
  joiner.join();

  // Idle: the log listed, the view rewriting its newest row once a second.
  const double cpu_before = ProcessCpuSeconds();
  const Clock::time_point idle_start = Clock::now();
  PumpUntil(
      main, accelerators, [] { return false; },
      idle_start + std::chrono::milliseconds(static_cast<long long>(options.idle_seconds * 1000)));
  figures.idle_cpu_seconds = ProcessCpuSeconds() - cpu_before;
  figures.idle_seconds = std::chrono::duration<double>(Clock::now() - idle_start).count();

  DestroyWindow(main);
  return figures;
}

}  // namespace tq::bench
