// The real-time clock dialog against the simulated instrument: its panel follows the
// instrument's clock once a second (and shows ERROR while the instrument is silent), Set
// Now sends the picked moment or the PC's local time, and its Poller ends with it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "link/commands.h"
#include "tests/config/win32/config_gui_fixture_win32.h"
#include "ui/epoch.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

using namespace std::chrono_literals;

std::string panel(HWND dialog) { return GuiHarness::item_text(dialog, IDC_CLOCK_PANEL); }

// A step that waits until the panel shows `text`.
DialogSteps::Step panel_shows(std::string text) {
  return [text](HWND dialog) { return panel(dialog) == text; };
}

class ClockGui : public ConfigGui {
 protected:
  void SetUp() override {
    ConfigGui::SetUp();
    server().SetSpeed(0);  // the clock stands at 07/07/2026 10:00:00 unless set
  }
  std::uint32_t instrument_clock() {
    return server().WithInstrument([](sim::Instrument& in) { return sim::ClockSeconds(in); });
  }
  void silence_clock() {
    sim::FaultRule rule;
    rule.action.silence = true;
    rule.command = kCmdGetClock;
    server().AddFault(rule);
  }
};

TEST_F(ClockGui, ThePanelShowsTheInstrumentsClockAndErrorWhileItIsSilent) {
  std::string to_picked, to_pc, set_now;
  DialogSteps& steps =
      run(IDM_REAL_TIME_CLOCK, {
                                   panel_shows("07/07/2026 10:00:00"),
                                   [&, this](HWND dialog) {
                                     to_picked = tooltip_text(dialog, IDC_CLOCK_TO_PICKED);
                                     to_pc = tooltip_text(dialog, IDC_CLOCK_TO_PC);
                                     set_now = tooltip_text(dialog, IDC_CLOCK_SET_NOW);
                                     silence_clock();
                                     return true;
                                   },
                                   panel_shows("ERROR"),
                                   [this](HWND) {
                                     server().ClearFaults();
                                     server().AdvanceTime(5000);
                                     return true;
                                   },
                                   panel_shows("07/07/2026 10:00:05"),
                                   leave,
                               });
  EXPECT_EQ(steps.dialogs(), std::vector<std::string>{"Configure Real Time Clock"});
  EXPECT_EQ(steps.steps_done(), 6u);
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(to_picked, "Set sensor's RTC to this time when you hit Set Now");
  EXPECT_EQ(to_pc, "Set sensor's RTC to this PC's time when you hit Set Now");
  EXPECT_EQ(set_now, "Set the RTC time now");
  // The dialog's Poller went with it: the instrument hears no more clock requests (the
  // Run view behind it goes on asking for its status).
  std::atomic<int> clock_requests{0};
  server().WatchRequests([&](std::uint8_t command) {
    if (command == kCmdGetClock) ++clock_requests;
  });
  EXPECT_FALSE(gui_.pump_until([&] { return clock_requests.load() != 0; }, 1500ms));
  server().WatchRequests({});
}

TEST_F(ClockGui, SetNowSendsThePickedMomentAndThePanelShowsItAtOnce) {
  bool pickers_enabled = false;
  // Clock requests only: the Run view behind the dialog sends its own.
  std::atomic<int> clock_requests{0};
  server().WatchRequests([&](std::uint8_t command) {
    if (command == kCmdGetClock) ++clock_requests;
  });
  int requests_seen = 0;
  std::chrono::steady_clock::time_point pressed;
  std::chrono::milliseconds shown_after{};
  DialogSteps& steps = run(
      IDM_REAL_TIME_CLOCK,
      {
          [&](HWND dialog) {
            pickers_enabled = checked(dialog, IDC_CLOCK_TO_PICKED) &&
                              enabled(dialog, IDC_CLOCK_DATE) && enabled(dialog, IDC_CLOCK_TIME);
            set_picker(dialog, IDC_CLOCK_DATE, {2024, 2, 4, 29, 12, 0, 0, 0});
            set_picker(dialog, IDC_CLOCK_TIME, {2000, 1, 6, 1, 23, 59, 58, 0});
            requests_seen = clock_requests.load();
            return panel(dialog) == "07/07/2026 10:00:00";
          },
          // Just after a pass, so that without the wake the panel would wait a second.
          [&](HWND dialog) {
            if (clock_requests.load() == requests_seen) return false;
            const HWND focus = GetFocus();
            post_key(focus != nullptr ? focus : dialog, VK_RETURN);  // Set Now is the default
            pressed = std::chrono::steady_clock::now();
            return true;
          },
          [&](HWND dialog) {
            if (panel(dialog) != "29/02/2024 23:59:58") return false;
            shown_after = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - pressed);
            return true;
          },
          leave,
      });
  server().WatchRequests({});
  EXPECT_EQ(steps.steps_done(), 4u);
  EXPECT_TRUE(pickers_enabled);
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(instrument_clock(), 1709251198u);  // 29/02/2024 23:59:58, no time-zone shift
  // Woken at once rather than at the next one-second pass.
  EXPECT_LT(shown_after, 700ms);
}

TEST_F(ClockGui, ToThePcsClockDisablesThePickersAndSendsTheLocalTime) {
  std::vector<bool> pickers;
  std::uint32_t before = 0;
  std::uint32_t after = 0;
  auto local_now = [] {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return calendar_to_epoch(
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
  };
  DialogSteps& steps =
      run(IDM_REAL_TIME_CLOCK, {
                                   [](HWND dialog) {
                                     click_button(dialog, IDC_CLOCK_TO_PC);
                                     return true;
                                   },
                                   [&](HWND dialog) {
                                     pickers.push_back(enabled(dialog, IDC_CLOCK_DATE));
                                     pickers.push_back(enabled(dialog, IDC_CLOCK_TIME));
                                     before = local_now();
                                     click_button(dialog, IDC_CLOCK_SET_NOW);
                                     return true;
                                   },
                                   [&](HWND dialog) {
                                     after = local_now();
                                     click_button(dialog, IDC_CLOCK_TO_PICKED);
                                     return true;
                                   },
                                   [&](HWND dialog) {
                                     pickers.push_back(enabled(dialog, IDC_CLOCK_DATE));
                                     pickers.push_back(enabled(dialog, IDC_CLOCK_TIME));
                                     return true;
                                   },
                                   leave,
                               });
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(pickers, (std::vector<bool>{false, false, true, true}));
  const std::uint32_t sent = instrument_clock();
  EXPECT_GE(sent, before);
  EXPECT_LE(sent, after);
  // In the run with the PC east of UTC (tests/CMakeLists.txt) that is hours from UTC.
  if (std::getenv("TARNQUILL_TEST_ZONE") != nullptr) {
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    const std::uint32_t utc_now =
        calendar_to_epoch({utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond});
    EXPECT_GT(sent > utc_now ? sent - utc_now : utc_now - sent, 3600u);
  }
}

TEST_F(ClockGui, ThePanelIsReadOnceASecondNotFaster) {
  std::atomic<int> clock_requests{0};
  server().WatchRequests([&](std::uint8_t command) {
    if (command == kCmdGetClock) ++clock_requests;
  });
  std::chrono::steady_clock::time_point from;
  int counted = 0;
  DialogSteps& steps =
      run(IDM_REAL_TIME_CLOCK, {
                                   [&](HWND) {
                                     if (clock_requests.load() == 0) return false;
                                     from = std::chrono::steady_clock::now();
                                     counted = clock_requests.load();
                                     return true;
                                   },
                                   [&](HWND) {
                                     if (std::chrono::steady_clock::now() - from < 3500ms)
                                       return false;
                                     counted = clock_requests.load() - counted;
                                     return true;
                                   },
                                   leave,
                               });
  server().WatchRequests({});
  EXPECT_EQ(steps.steps_done(), 3u);
  // Three or four passes in three and a half seconds: a second apart, give or take.
  EXPECT_GE(counted, 2);
  EXPECT_LE(counted, 4);
}

TEST_F(ClockGui, AFailedSetNowSaysSoAndThePanelGoesOn) {
  DialogSteps& steps = run(IDM_REAL_TIME_CLOCK, {
                                                    panel_shows("07/07/2026 10:00:00"),
                                                    [this](HWND dialog) {
                                                      fail_next(kCmdSetClock);
                                                      click_button(dialog, IDC_CLOCK_SET_NOW);
                                                      return true;
                                                    },
                                                    [this](HWND) {
                                                      server().AdvanceTime(1000);
                                                      return true;
                                                    },
                                                    panel_shows("07/07/2026 10:00:01"),
                                                    leave,
                                                });
  EXPECT_EQ(steps.steps_done(), 5u);
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Failed to set RTC time"}}));
}

}  // namespace
}  // namespace tq::test
