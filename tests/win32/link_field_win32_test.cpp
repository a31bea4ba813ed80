// The link in the field under Wine, against tarnquill-sim on a COM port (the ctest
// fixture win32_sim_port serves COM12 and unplugs the line for 1.5 s when it is sent
// ToggleLed): a polling window stays responsive through the unplug and shows the
// instrument again by itself afterwards; Connect right after Disconnect opens a port
// that opens only once.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/poller.h"
#include "link/serial_port_win32.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSimPort = "COM12";
constexpr UINT kMsgStatus = WM_APP + 1;

// What the window shares with its poll routine: the latest status text, and the window
// to tell, cleared when the window goes so that a late routine tells nobody.
struct StatusSlot {
  std::mutex mutex;
  HWND window = nullptr;
  std::string text;
};

// The window's own state, on the user-interface thread only.
struct StatusWindowState {
  std::shared_ptr<StatusSlot> slot;
  std::vector<std::string> shown;  // every text the window has shown, in order
};

LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<StatusWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == kMsgStatus && state != nullptr) {
    std::string text;
    {
      std::lock_guard lock(state->slot->mutex);
      text = state->slot->text;
    }
    if (state->shown.empty() || state->shown.back() != text) {
      SetWindowTextA(window, text.c_str());
      state->shown.push_back(text);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// A window as small as a view can be: its Poller reads GetSystemStatus every 100 ms and
// hands the text over by posting, as the program's views do.
class StatusWindow {
 public:
  explicit StatusWindow(ConnectionRef connection) {
    WNDCLASSA type{};
    type.lpfnWndProc = &StatusWindowProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "TarnquillLinkStatusWindow";
    RegisterClassA(&type);  // fails harmlessly when already registered
    window_ = CreateWindowExA(0, type.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 80,
                              nullptr, nullptr, type.hInstance, nullptr);
    state_.slot = std::make_shared<StatusSlot>();
    state_.slot->window = window_;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state_));
    poller_ = PollerStart(
        [connection, slot = state_.slot](Poller& p) {
          while (PollerWait(p, 100)) {
            SystemStatus status;
            const int result = GetSystemStatus(connection.get(), &status);
            std::lock_guard lock(slot->mutex);
            slot->text = result == kResultOk ? "instrument clock " + std::to_string(status.clock)
                                             : "no answer (" + std::to_string(result) + ")";
            if (slot->window != nullptr) PostMessageA(slot->window, kMsgStatus, 0, 0);
          }
          return 0;
        },
        0);
  }
  ~StatusWindow() {
    poller_ = PollerStop(std::move(poller_));
    {
      std::lock_guard lock(state_.slot->mutex);
      state_.slot->window = nullptr;
    }
    DestroyWindow(window_);
  }
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  HWND window() const { return window_; }
  const std::vector<std::string>& shown() const { return state_.shown; }

 private:
  HWND window_ = nullptr;
  StatusWindowState state_;
  PollerHandle poller_;
};

// Runs the thread's message loop until `done` holds or `limit` passes.
bool PumpUntil(const std::function<bool()>& done, Clock::duration limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

bool IsAnswer(const std::string& text) { return text.rfind("instrument clock ", 0) == 0; }

TEST(LinkInTheField, APollingWindowAnswersThroughAnUnplugAndShowsTheInstrumentAgain) {
  ConnectionRef connection = CreateConnection(nullptr, kSimPort);
  ASSERT_TRUE(connection) << "no simulator on " << kSimPort;
  {
    StatusWindow view(connection);
    ASSERT_NE(view.window(), nullptr);
    ASSERT_TRUE(
        PumpUntil([&] { return !view.shown().empty() && IsAnswer(view.shown().back()); }, 10s));

    // Another thread keeps asking the window for an answer, as the system does.
    std::atomic<bool> watching{true};
    std::atomic<int> unanswered{0};
    std::atomic<int> asked{0};
    std::thread watcher([&] {
      while (watching) {
        DWORD_PTR reply = 0;
        if (SendMessageTimeoutA(view.window(), WM_NULL, 0, 0, SMTO_NORMAL, 500, &reply) == 0) {
          ++unanswered;
        }
        ++asked;
        std::this_thread::sleep_for(50ms);
      }
    });
    // The instrument unplugs its line on this command; its own answer never comes.
    std::thread unplug([&] { (void)ToggleLed(connection.get()); });

    // The window goes from the instrument's clock to "no answer" and back to the clock.
    const auto answer_after_failure = [&] {
      const auto& shown = view.shown();
      bool failed = false;
      for (const std::string& text : shown) {
        if (!IsAnswer(text)) failed = true;
        if (failed && IsAnswer(text)) return true;
      }
      return false;
    };
    const bool back = PumpUntil(answer_after_failure, 20s);
    watching = false;
    watcher.join();
    unplug.join();

    std::string history;
    for (const std::string& text : view.shown()) history += "  " + text + "\n";
    std::printf("the window showed, answering %d of %d messages within 500 ms:\n%s",
                asked - unanswered, asked.load(), history.c_str());
    EXPECT_TRUE(back) << "the window never showed the instrument again";
    EXPECT_GT(asked, 10);
    EXPECT_EQ(unanswered, 0) << "the window did not answer within 500 ms";
    EXPECT_GE(ReadConnectionStats(*connection).reopenings, 1u);
  }
  connection = CloseConnection(std::move(connection));
}

// The real calls, except that a COM port opens only once at a time, as on Windows
// (Wine lets a second open through).
std::atomic<int> g_open_handles{0};

HANDLE WINAPI OpenOnce(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                       DWORD disposition, DWORD flags, HANDLE template_file) {
  if (g_open_handles.load() > 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE h = CreateFileA(path, access, share, security, disposition, flags, template_file);
  if (h != INVALID_HANDLE_VALUE) ++g_open_handles;
  return h;
}

BOOL WINAPI CloseOnce(HANDLE handle) {
  --g_open_handles;
  return CloseHandle(handle);
}

const SerialCalls& ExclusiveCalls() {
  static const SerialCalls calls = [] {
    SerialCalls c = SystemSerialCalls();
    c.create_file = &OpenOnce;
    c.close_handle = &CloseOnce;
    return c;
  }();
  return calls;
}

ConnectionRef ConnectExclusively() {
  return CreateConnectionOnPort(
      OpenSerialPortWith(ExclusiveCalls(), kSimPort), nullptr, kConnectionTimeoutMs,
      [] { return OpenSerialPortWith(ExclusiveCalls(), kSimPort, true); });
}

TEST(LinkInTheField, ConnectRightAfterDisconnectOpensAPortThatOpensOnlyOnce) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    ConnectionRef current = ConnectExclusively();
    ASSERT_TRUE(current);
    ASSERT_FALSE(ConnectExclusively()) << "the port opened twice";
    // Shared with the routine, which may outlive this round.
    auto polls = std::make_shared<std::atomic<int>>(0);
    PollerHandle poller = PollerStart(
        [c = current, polls](Poller& p) {
          while (PollerWait(p, 1)) {
            SystemStatus status;
            if (GetSystemStatus(c.get(), &status) == kResultOk) ++*polls;
          }
          return 0;
        },
        0);
    ASSERT_TRUE(test::WaitFor([&] { return *polls > 2 + round; }));
    // The main window's Disconnect, then Connect at once.
    poller = PollerStop(std::move(poller));
    current = CloseConnection(std::move(current));
    ConnectionRef next = ConnectExclusively();
    ASSERT_TRUE(next) << "the closed Connection still held the port";
    SystemStatus status;
    EXPECT_EQ(GetSystemStatus(next.get(), &status), kResultOk);
    next = CloseConnection(std::move(next));
  }
}

}  // namespace
}  // namespace tq
