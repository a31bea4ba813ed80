// The poll feed with real windows and a real Poller against the simulator: a window built
// from the kit as every polled window is (a PollSession whose routine runs commands and
// publishes, kMsgPollReport taken and applied on the window's thread).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "link/commands.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/window_kit_win32.h"

namespace tq::test {
namespace {

// Every report says which window's routine made it.
struct Report {
  int window = 0;
  int pass = 0;
};

struct Shared {
  std::atomic<int> passes_started{0};
  std::atomic<int> published_after_close{0};
  std::atomic<bool> finished{false};
};

struct PolledWindowState {
  int number = 0;
  PollSession<Report> polling;
  std::vector<Report> shown;  // what the window applied, in order
};

LRESULT CALLBACK polled_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<PolledWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state != nullptr && message == kMsgPollReport) {
    for (const Report& report : state->polling.take()) {
      state->shown.push_back(report);
      SetWindowTextA(window, ("window " + std::to_string(report.window) + " pass " +
                              std::to_string(report.pass))
                                 .c_str());
    }
    return 0;
  }
  if (state != nullptr && message == WM_DESTROY) state->polling.stop();
  return DefWindowProcA(window, message, wparam, lparam);
}

// A polled window whose routine reads the status once per pass, 20 ms apart.
HWND create_polled_window(PolledWindowState& state, ConnectionRef connection,
                          std::shared_ptr<Shared> shared) {
  static constexpr const char* kClass = "TarnquillTestPolledWindow";
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = polled_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClass;
  RegisterClassA(&window_class);
  const HWND window = CreateWindowExA(0, kClass, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
  const int number = state.number;
  state.polling.start(
      post_poll_report_to(window),
      [connection, shared, number](Poller& poller, PollSession<Report>::Feed& feed) {
        for (int pass = 0;; ++pass) {
          ++shared->passes_started;
          SystemStatus status;
          static_cast<void>(GetSystemStatus(connection.get(), &status));
          if (!feed.publish({number, pass})) ++shared->published_after_close;
          if (!PollerWait(poller, 20)) break;
        }
        shared->finished = true;
        return 0;
      });
  return window;
}

// An instrument that answers the status after `delay_ms`.
SimulatedInstrument slow_instrument(std::uint32_t delay_ms) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  sim::FaultRule rule;
  rule.action.delay_ms = delay_ms;
  rule.command = kCmdGetSystemStatus;
  instrument.simulator.server->AddFault(rule);
  return instrument;
}

TEST(PollFeedGui, ReportsArriveOnTheWindowsThreadInOrder) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  auto shared = std::make_shared<Shared>();
  PolledWindowState state{1, {}, {}};
  const HWND window = create_polled_window(state, instrument.connection, shared);
  ASSERT_TRUE(gui.pump_until([&] { return state.shown.size() >= 5; }));
  for (std::size_t i = 0; i < state.shown.size(); ++i) {
    EXPECT_EQ(state.shown[i].window, 1);
    EXPECT_EQ(state.shown[i].pass, static_cast<int>(i));
  }
  DestroyWindow(window);
}

TEST(PollFeedGui, AReportAfterItsWindowWasDestroyedChangesNothing) {
  SimulatedInstrument instrument = slow_instrument(400);
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  auto shared = std::make_shared<Shared>();
  auto state = std::make_unique<PolledWindowState>();
  state->number = 1;
  const HWND window = create_polled_window(*state, instrument.connection, shared);
  // Destroyed while its routine waits for the slow status answer.
  ASSERT_TRUE(gui.pump_until([&] { return shared->passes_started.load() >= 1; }));
  DestroyWindow(window);
  state.reset();  // the window's state is gone too
  ASSERT_TRUE(gui.pump_until([&] { return shared->finished.load(); }, std::chrono::seconds(5)));
  gui.pump_pending();
  EXPECT_GE(shared->published_after_close.load(), 1);  // it did try, and was refused
  EXPECT_FALSE(IsWindow(window));
}

TEST(PollFeedGui, ANewWindowNeverShowsItsPredecessorsLateReport) {
  SimulatedInstrument instrument = slow_instrument(400);
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  auto old_shared = std::make_shared<Shared>();
  PolledWindowState old_state{1, {}, {}};
  const HWND old_window = create_polled_window(old_state, instrument.connection, old_shared);
  ASSERT_TRUE(gui.pump_until([&] { return old_shared->passes_started.load() >= 1; }));

  // Replaced while the old routine is still inside its Transaction: stopping returns
  // after its short stop wait, without waiting for the routine.
  DestroyWindow(old_window);
  EXPECT_FALSE(old_shared->finished.load());
  auto shared = std::make_shared<Shared>();
  PolledWindowState state{2, {}, {}};
  const HWND window = create_polled_window(state, instrument.connection, shared);

  ASSERT_TRUE(gui.pump_until([&] { return old_shared->finished.load() && state.shown.size() >= 3; },
                             std::chrono::seconds(10)));
  for (const Report& report : state.shown) EXPECT_EQ(report.window, 2);
  EXPECT_TRUE(old_state.shown.empty());
  DestroyWindow(window);
}

}  // namespace
}  // namespace tq::test
